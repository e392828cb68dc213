// The system page.
#include "pages/SysDlg.h"

#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/DialogUnits.h"
#include "controls/Edit_Static.h"
#include "controls/EnglishEdit.h"
#include "controls/FontStatic.h"
#include "controls/MessageEvent.h"
#include "controls/SLamp.h"
#include "controls/Skin.h"
#include "model/AppHooks.h"
#include "model/DataConver.h"
#include "model/Model.h"
#include "pages/SysLayout.h"
#include "pages/SysPanel.h"
#include "presets/PresetFiles.h"
#include "protocol/CommandTables.h"

#include <QComboBox>
#include <QPainter>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>

namespace kel {

namespace {

using namespace sys;

constexpr int kLastStorableSlot = 16; // F1..F5 (17..21) are recalled, never stored
constexpr int kNameLength = 20;
constexpr int kSystemPasswordLength = 6;
constexpr int kPanelPasswordLength = 4;
// The password entry buffer: the new panel password at 4..7, the new system password at 14..19.
constexpr std::size_t kPanelEntry = 4;
constexpr std::size_t kSystemEntry = 14;

constexpr Field SystemByteField(std::size_t offset) {
    return {FieldBase::System, FieldForm::Byte, offset};
}

// The seven sliders, each storing its position into one system block byte.
constexpr std::array<SliderBinding, 7> kSliders = {{
    {IDC_EFFECT_MAX, IDC_EFFECT_MAX_VALUE, Conv::EffectVolume,
     SystemByteField(offsetof(SystemBlock, effectMax))},
    {IDC_MIC_MAX, IDC_MIC_MAX_VALUE, Conv::MicVolume, SystemByteField(offsetof(SystemBlock, micMax))},
    {IDC_MUSIC_MAX, IDC_MUSIC_MAX_VALUE, Conv::MusicVolume, SystemByteField(offsetof(SystemBlock, musicMax))},
    {IDC_VOD_GAIN, IDC_VOD_GAIN_VALUE, Conv::InputGain, SystemByteField(offsetof(SystemBlock, vodGain))},
    {IDC_BGM_GAIN, IDC_BGM_GAIN_VALUE, Conv::InputGain, SystemByteField(offsetof(SystemBlock, bgmGain))},
    {IDC_COAX_GAIN, IDC_COAX_GAIN_VALUE, Conv::InputGain, SystemByteField(offsetof(SystemBlock, coaxGain))},
    {IDC_OPTI_GAIN, IDC_OPTI_GAIN_VALUE, Conv::InputGain, SystemByteField(offsetof(SystemBlock, optiGain))},
}};

// The maxima pull the main window's volumes down (strip 0 music, 1 microphone, 2 effect).
struct MaximumClamp {
    int slider;
    int strip;
};
constexpr std::array<MaximumClamp, 3> kClamps = {{{IDC_MUSIC_MAX, 0}, {IDC_MIC_MAX, 1}, {IDC_EFFECT_MAX, 2}}};

// The combo items of the template; the selection index is the stored value.
constexpr std::array<const char*, 2> kPhantomItems = {"OFF", "ON"};
constexpr std::array<const char*, 2> kIrItems = {"Disable", "Enable"};
constexpr std::array<const char*, 6> kInputItems = {"Auto", "VOD", "BGM", "COAX", "OPTI", "BT"};
constexpr std::array<const char*, 2> kSenItems = {"L", "H"};

constexpr std::array<ComboBinding, 3> kCombos = {{
    {IDC_PHANTOM, kPhantomItems, SystemByteField(offsetof(SystemBlock, rearMicPhantom))},
    {IDC_IR, kIrItems, SystemByteField(offsetof(SystemBlock, irControl))},
    {IDC_MUSIC_INPUT, kInputItems, SystemByteField(offsetof(SystemBlock, musicInput))},
}};
// "VOD/BGM Sen" is the low nibble of byte 9 (the key control of the music page is the high nibble); the
// page stores it itself.

// Enabled in "Full Mode" only.
constexpr std::array<int, 10> kExpert = {
    IDC_PHANTOM,        IDC_IR,        IDC_VOD_GAIN,        IDC_VOD_GAIN_VALUE, IDC_BGM_GAIN,
    IDC_BGM_GAIN_VALUE, IDC_COAX_GAIN, IDC_COAX_GAIN_VALUE, IDC_OPTI_GAIN,      IDC_OPTI_GAIN_VALUE};

// Every caption the language switch sets (the store authority text follows its state).
constexpr std::array<PageText, 35> kTexts = {{
    {IDC_AUTHORITY_GROUP, "保存权限管理", "Save authority management "},
    {IDC_PASSWORD_GROUP, "密码修改", "Password modification "},
    {IDC_VERIFY_LABEL, "系统密码验证", "System password verification"},
    {IDC_VERIFY_OK, "确定", "OK"},
    {IDC_SYS_TITLE, "系统密码修改", "System password modify"},
    {IDC_SYS_OLD_LABEL, "旧密码", "Old password"},
    {IDC_PANEL_OLD_LABEL, "旧密码", "Old password"},
    {IDC_SYS_NEW_LABEL, "新密码", "New password"},
    {IDC_PANEL_NEW_LABEL, "新密码", "New password"},
    {IDC_SYS_CONFIRM_LABEL, "确认密码", "Confirm password"},
    {IDC_PANEL_CONFIRM_LABEL, "确认密码", "Confirm password"},
    {IDC_SYS_MODIFY, "修改", "Modify"},
    {IDC_PANEL_MODIFY, "修改", "Modify"},
    {IDC_PANEL_TITLE, "面板密码锁修改", "Panel password modify"},
    {IDC_MODE_GROUP, "模式", "Mode"},
    {IDC_MODE_LABEL, "模式", "Mode"},
    {IDC_NAME_LABEL, "名称", "Name"},
    {IDC_RECALL, "调用设备模式", "Recall Mode"},
    {IDC_STORE, "保存设备模式", "Store Mode"},
    {IDC_EXPORT, "导出", "Export"},
    {IDC_IMPORT, "导入", "Import"},
    {IDC_EXPORT_ALL, "导出所有", "Export all"},
    {IDC_IMPORT_ALL, "导入所有", "Import all"},
    {IDC_SETTING_GROUP, "设置", "Setting"},
    {IDC_EFFECT_MAX_LABEL, "效果最大音量", "Effect max volume"},
    {IDC_MIC_MAX_LABEL, "话筒最大音量", "Mic max volume"},
    {IDC_MUSIC_MAX_LABEL, "音乐最大音量", "Music max volume"},
    {IDC_PHANTOM_LABEL, "后话筒幻像电源", "RearMic Phantom"},
    {IDC_IR_LABEL, "红外遥控", "IR Control"},
    {IDC_MUSIC_INPUT_LABEL, "输入选择", "Music Input"},
    {IDC_SEN_LABEL, "模拟输入灵敏度", "VOD/BGM Sen"},
    {IDC_VOD_GAIN_LABEL, "VOD 输入增益", "VOD input gain"},
    {IDC_BGM_GAIN_LABEL, "BGM 输入增益", "BGM input gain"},
    {IDC_COAX_GAIN_LABEL, "COAX 输入增益", "COAX input gain"},
    {IDC_OPTI_GAIN_LABEL, "OPTI/HDMI1~3/ARC 输入增益", "OPTI/HDMI1~3/ARC input gain"},
}};

constexpr PageText kStoreAllow = {IDC_AUTHORITY, "有保存权限", "Store Allow"};
constexpr PageText kNoStoreAllow = {IDC_AUTHORITY, "无保存权限", "No Store Allow"};

bool Chinese() {
    return TheModel().settings.languageFlag != 0;
}

QString Pick(const PageText& text) {
    return QString::fromUtf8(Chinese() ? text.zh : text.en);
}

bool Connected() {
    return TheModel().connection.connected != 0;
}

bool StorePermission() {
    return TheModel().settings.storePermission != 0;
}

std::span<u8> SystemField(std::size_t offset, std::size_t length) {
    return {reinterpret_cast<u8*>(&TheModel().system) + offset, length};
}

QString FieldText(std::span<const u8> field) {
    const std::string text = BytesToText(field);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString SlotName(int slot) {
    return FieldText(TheModel().presets.Slot(slot).name);
}

// A text of the page into a fixed-width field of the model (single-byte text, blank padded).
void StoreText(const QString& text, std::span<u8> field) {
    const QByteArray bytes = text.toLatin1();
    TextToBytes(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), field);
}

QRect PixelRect(const DluRect& r) {
    return DialogUnits::Get().Rect(r.x, r.y, r.w, r.h);
}

void Enable(QWidget* w, bool on) {
    if (w != nullptr) {
        w->setEnabled(on);
    }
}

// A group frame: the panel with its title band, or (over the background bitmap, which draws the panel)
// the title alone.
class CGroupFrame : public QWidget {
  public:
    CGroupFrame(QWidget* parent, bool drawPanel) : QWidget(parent), m_drawPanel(drawPanel) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    void SetText(const QString& text) {
        m_text = text;
        update();
    }
    const QString& Text() const { return m_text; }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const int band = DialogUnits::Get().Y(kGroupTitleDlu);
        if (m_drawPanel) {
            PaintPanel(p, QRectF(rect()), band);
        }
        QFont f = DialogFont();
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor::fromRgb(skin::kTextOnDark));
        p.drawText(QRect(8, 0, width() - 16, band), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   m_text);
    }

  private:
    bool m_drawPanel;
    QString m_text;
};

// The page's picture (skin resource 176).
class CPicture : public QWidget {
  public:
    CPicture(QWidget* parent, QPixmap picture) : QWidget(parent), m_picture(std::move(picture)) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        resize(SkinBitmapSize(m_picture));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        if (!m_picture.isNull()) {
            QPainter(this).drawPixmap(rect(), m_picture);
        }
    }

  private:
    QPixmap m_picture;
};

// The template's own kinds of control, for the controls the page conventions create.
ItemKind ConventionKind(Kind kind) {
    switch (kind) {
    case Kind::Label:
        return ItemKind::Label;
    case Kind::Title:
        return ItemKind::Title;
    case Kind::Slider:
        return ItemKind::Slider;
    case Kind::Display:
        return ItemKind::Display;
    case Kind::Combo:
        return ItemKind::Combo;
    default:
        return ItemKind::Button;
    }
}

bool MadeByConventions(Kind kind) {
    return kind != Kind::Group && kind != Kind::Edit && kind != Kind::Meter;
}

// The edits: their lengths and which of them take digits only.
struct EditSpec {
    int id;
    int maxLength;
    bool password;
    bool digitsOnly;
};

constexpr std::array<EditSpec, 8> kEdits = {{
    {IDC_MODE_NAME, kNameLength, false, false},
    {IDC_VERIFY_EDIT, kSystemPasswordLength, true, false},
    {IDC_SYS_OLD, kSystemPasswordLength, true, true},
    {IDC_SYS_NEW, kSystemPasswordLength, true, true},
    {IDC_SYS_CONFIRM, kSystemPasswordLength, true, false},
    {IDC_PANEL_OLD, kPanelPasswordLength, true, false},
    {IDC_PANEL_NEW, kPanelPasswordLength, true, true},
    {IDC_PANEL_CONFIRM, kPanelPasswordLength, true, false},
}};

} // namespace

// The page's buttons and their handlers.
struct SysButtons {
    struct Entry {
        int id;
        void (CSysDlg::*handler)();
    };
    static constexpr std::array<Entry, 9> kTable = {{
        {IDC_RECALL, &CSysDlg::OnRecall},
        {IDC_STORE, &CSysDlg::OnStore},
        {IDC_EXPORT, &CSysDlg::OnExport},
        {IDC_IMPORT, &CSysDlg::OnImport},
        {IDC_EXPORT_ALL, &CSysDlg::OnExportAll},
        {IDC_IMPORT_ALL, &CSysDlg::OnImportAll},
        {IDC_VERIFY_OK, &CSysDlg::OnVerifyOk},
        {IDC_SYS_MODIFY, &CSysDlg::OnSystemModify},
        {IDC_PANEL_MODIFY, &CSysDlg::OnPanelModify},
    }};
};

CSysDlg::CSysDlg(QWidget* parent, PageHost* host) : CBoundPage(parent, host) {
    setObjectName(QStringLiteral("CSysDlg"));
    m_backgroundZh = LoadSkinBitmap(IDB_SYSTEM_BACKGROUND_ZH);
    m_backgroundEn = LoadSkinBitmap(IDB_SYSTEM_BACKGROUND_EN);

    m_system.command = CMD_SYSTEM_PASSWORD;
    m_system.offset = offsetof(SystemBlock, systemPassword);
    m_system.length = kSystemPasswordLength;
    m_system.entryIndex = kSystemEntry;
    m_panel.command = CMD_PANEL_PASSWORD;
    m_panel.offset = offsetof(SystemBlock, panelPassword);
    m_panel.length = kPanelPasswordLength;
    m_panel.entryIndex = kPanelEntry;

    CreatePageControls();
    ApplyLanguage();
}

std::uint8_t* CSysDlg::EditedRecord() {
    return reinterpret_cast<std::uint8_t*>(&TheModel().system);
}

void CSysDlg::CreatePageControls() {
    // Groups first, so that every control lies above its frame.
    for (const ControlRect& c : kControls) {
        if (c.kind == Kind::Group) {
            // The "Setting" panel is part of the background; its frame draws the title only.
            auto* group = new CGroupFrame(this, c.id != IDC_SETTING_GROUP);
            group->setGeometry(PixelRect(c.rect));
            m_own.emplace_back(c.id, group);
        }
    }

    std::vector<TemplateItem> items;
    for (const ControlRect& c : kControls) {
        if (MadeByConventions(c.kind)) {
            items.push_back({c.id, ConventionKind(c.kind), {c.rect.x, c.rect.y, c.rect.w, c.rect.h}});
        }
    }
    CreateControls(items);
    BindSliders(kSliders);
    BindCombos(kCombos);
    for (const SliderBinding& b : kSliders) {
        // The panel's shading shows around the groove.
        Slider(b.slider)->SetBitmapChannel(IDB_SLIDER_CHANNEL, IDB_SLIDER_CHANNEL_ACTIVE, true);
        Display(b.partner)->SetAlignment(Qt::AlignHCenter | Qt::AlignVCenter); // centred in its well
    }

    QComboBox* sen = Combo(IDC_SEN);
    for (const char* item : kSenItems) {
        sen->addItem(QString::fromUtf8(item));
    }
    connect(sen, &QComboBox::activated, this, [this](int index) { OnSensitivityChosen(index); });

    m_modeList = Combo(IDC_MODE_LIST);
    m_modeList->setMaxVisibleItems(kSlotCount);
    connect(m_modeList, &QComboBox::activated, this, [this](int index) { OnModeSelected(index); });

    for (int i = 0; i < kMeterCount; ++i) {
        auto* meter = new CSLamp(this);
        const QRect r = PixelRect(MeterRect(i));
        const int h = MeterPixelHeight(r.height());
        meter->setGeometry(r.x(), r.bottom() + 1 - h, r.width(), h); // standing on the panel's numbers
        meter->AllOff();
        m_meters[static_cast<std::size_t>(i)] = meter;
        m_own.emplace_back(IDC_METER_FIRST + i, meter);
    }

    CreateEdits();
    for (const SysButtons::Entry& b : SysButtons::kTable) {
        Button(b.id)->setFocusPolicy(Qt::TabFocus);
    }
    m_system.modify = Button(IDC_SYS_MODIFY);
    m_panel.modify = Button(IDC_PANEL_MODIFY);

    auto* picture = new CPicture(this, LoadSkinBitmap(IDB_SYSTEM_PICTURE));
    const DialogUnits& du = DialogUnits::Get();
    picture->move(du.X(kPictureX), du.Y(kPictureY));
}

void CSysDlg::CreateEdits() {
    for (const EditSpec& item : kEdits) {
        auto* edit = new CEnglishEdit(this, item.id);
        edit->setGeometry(PixelRect(RectOf(item.id)));
        edit->setMaxLength(item.maxLength);
        if (item.password) {
            edit->setEchoMode(QLineEdit::Password);
        }
        QPalette pal = edit->palette();
        pal.setColor(QPalette::Disabled, QPalette::Base,
                     QColor::fromRgb(skin::kFace)); // shut edits look shut
        edit->setPalette(pal);
        if (item.digitsOnly) {
            // Digits are single-byte text: this validator keeps the edit's own rule as well.
            edit->setValidator(
                new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        }
        m_own.emplace_back(item.id, edit);
    }
    const auto edit = [this](int id) { return dynamic_cast<CEnglishEdit*>(Item(id)); };
    m_modeName = edit(IDC_MODE_NAME);
    m_verifyEdit = edit(IDC_VERIFY_EDIT);
    m_system.oldEdit = edit(IDC_SYS_OLD);
    m_system.newEdit = edit(IDC_SYS_NEW);
    m_system.confirmEdit = edit(IDC_SYS_CONFIRM);
    m_panel.oldEdit = edit(IDC_PANEL_OLD);
    m_panel.newEdit = edit(IDC_PANEL_NEW);
    m_panel.confirmEdit = edit(IDC_PANEL_CONFIRM);

    // Only the user's typing arrives here; texts set by the page send nothing.
    connect(m_modeName, &CEnglishEdit::Changed, this, [this](int) { m_modeText = m_modeName->text(); });
    connect(m_verifyEdit, &CEnglishEdit::Changed, this, [this](int) { OnVerifyEdited(); });
    for (PasswordColumn* column : {&m_system, &m_panel}) {
        for (CEnglishEdit* e : {column->oldEdit, column->newEdit, column->confirmEdit}) {
            connect(e, &CEnglishEdit::Changed, this,
                    [this, column](int) { EvaluatePasswordColumn(*column); });
        }
    }
}

QWidget* CSysDlg::Item(int id) const {
    if (QWidget* w = Control(id)) {
        return w;
    }
    const auto it = std::find_if(m_own.begin(), m_own.end(), [id](const auto& e) { return e.first == id; });
    return it == m_own.end() ? nullptr : it->second;
}

const QPixmap& CSysDlg::Background() const {
    return Chinese() ? m_backgroundZh : m_backgroundEn;
}

void CSysDlg::paintEvent(QPaintEvent*) {
    const QPixmap& picture = Background();
    if (picture.isNull()) {
        return;
    }
    // Both languages are drawn at the size of the Chinese picture.
    QPainter p(this);
    p.drawPixmap(QRect(QPoint(kBackgroundX, kBackgroundY), SkinBitmapSize(m_backgroundZh)), picture);
}

void CSysDlg::SetCaption(int id, const QString& text) {
    if (auto* group = dynamic_cast<CGroupFrame*>(Item(id))) {
        group->SetText(text);
    }
}

QString CSysDlg::Text(int id) const {
    QWidget* w = Item(id);
    if (auto* label = dynamic_cast<CFontStatic*>(w)) {
        return label->Text();
    }
    if (auto* group = dynamic_cast<CGroupFrame*>(w)) {
        return group->Text();
    }
    if (auto* button = dynamic_cast<QAbstractButton*>(w)) {
        return button->text();
    }
    if (auto* edit = dynamic_cast<QLineEdit*>(w)) {
        return edit->text();
    }
    if (auto* display = dynamic_cast<CEdit_Static*>(w)) {
        return display->Text();
    }
    if (auto* combo = dynamic_cast<QComboBox*>(w)) {
        return combo->currentText();
    }
    return {};
}

void CSysDlg::OnMessage(int message, std::intptr_t wParam, std::intptr_t lParam) {
    CBoundPage::OnMessage(message, wParam, lParam);
    if (message != MSG_SLIDER_MOVING && message != MSG_SLIDER_MOVED) {
        return;
    }
    // A lowered maximum takes the main window's volume down with it.
    for (const MaximumClamp& c : kClamps) {
        if (c.slider == wParam) {
            Host()->ClampMasterVolume(c.strip);
        }
    }
}

void CSysDlg::OnButton(int id) {
    for (const SysButtons::Entry& b : SysButtons::kTable) {
        if (b.id == id) {
            (this->*b.handler)();
            return;
        }
    }
}

// ---- Refresh, language, mode ----

void CSysDlg::Refresh() {
    FillModeList();
    UpdateStoreAuthority();
    RefreshBindings();
    QComboBox* sen = Combo(IDC_SEN);
    const int value = VodBgmSen(TheModel().system);
    sen->setCurrentIndex(value < sen->count() ? value : -1);

    ResetPasswordColumn(m_panel);
    ResetPasswordColumn(m_system);

    if (!Connected()) {
        for (CSLamp* meter : m_meters) {
            meter->AllOff(); // no report comes off line
        }
    }
}

void CSysDlg::ApplyLanguage() {
    ApplyTexts(kTexts);
    for (const PageText& t : kTexts) {
        SetCaption(t.id, Pick(t)); // the group frames
    }
    UpdateAuthorityText();
    update();
}

void CSysDlg::ApplyMode() {
    ApplyExpert(kExpert);
}

void CSysDlg::OnSensitivityChosen(int index) {
    if (index >= 0) {
        SetVodBgmSen(TheModel().system, index); // the key control in the high nibble stays
    }
}

// ---- Meters ----

void CSysDlg::OnLevels(int reportType) {
    if (!Connected()) {
        for (CSLamp* meter : m_meters) {
            meter->AllOff();
        }
        return;
    }
    std::array<u8, kMeterBytes> bytes{};
    {
        ImageLockGuard lock(ImageLock()); // the parser writes them on the transport thread
        const MeterState& meters = TheModel().settings.meters;
        bytes = reportType == CMD_POLL_LEVELS ? meters.levels : meters.signals;
    }
    for (std::size_t i = 0; i < m_meters.size(); ++i) {
        if (reportType == CMD_POLL_LEVELS) {
            m_meters[i]->SetLevel(bytes[i]);
        } else if (reportType == CMD_POLL_SIGNALS) {
            m_meters[i]->SetSignal(bytes[i]);
        }
    }
}

// ---- Modes ----

void CSysDlg::LoadSlotName(int slot) {
    m_modeText = SlotName(slot);
    m_modeName->setText(m_modeText);
}

void CSysDlg::FillModeList() {
    Model& m = TheModel();
    const bool connected = Connected();
    const bool loaded = m.settings.presetsLoaded != 0;
    const bool names = connected || loaded;
    for (int id :
         {IDC_MODE_LIST, IDC_MODE_NAME, IDC_RECALL, IDC_STORE, IDC_IMPORT, IDC_EXPORT_ALL, IDC_IMPORT_ALL}) {
        Enable(Item(id), true);
    }

    m_modeList->clear();
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        QString entry = slot <= kLastStorableSlot ? QStringLiteral("%1-").arg(slot)
                                                  : QStringLiteral("F%1-").arg(slot - kLastStorableSlot);
        if (names) {
            entry += SlotName(slot);
        }
        m_modeList->addItem(entry);
    }

    u8& current = m.system.currentSlot;
    const bool valid = current >= 1 && current <= kSlotCount;
    if (names) {
        // Without a current slot (or with one no device has) the list starts at slot 1.
        if (!valid) {
            current = 1;
        }
        m_slot = current;
        m_modeList->setCurrentIndex(m_slot - 1);
        LoadSlotName(m_slot);
    } else {
        m_slot = valid ? current : 0;
        m_modeList->setCurrentIndex(m_slot - 1);
        m_modeText = FieldText(m.image.name);
        m_modeName->setText(m_modeText);
    }

    if (connected) {
        const bool permitted = StorePermission();
        const bool storable = permitted && current <= kLastStorableSlot;
        Enable(m_modeName, storable);
        Enable(Item(IDC_STORE), storable);
        Enable(Item(IDC_IMPORT), permitted);
        Enable(Item(IDC_IMPORT_ALL), permitted);
    } else {
        Enable(Item(IDC_EXPORT_ALL), loaded);
        Enable(Item(IDC_RECALL), loaded);
        Enable(m_modeName, false);
        Enable(Item(IDC_STORE), false);
    }
}

void CSysDlg::OnModeSelected(int index) {
    if (index < 0 || index >= kSlotCount) {
        return;
    }
    m_slot = index + 1;
    const bool storable = m_slot <= kLastStorableSlot && Connected() && StorePermission();
    Enable(m_modeName, storable);
    Enable(Item(IDC_STORE), storable);
    LoadSlotName(m_slot);
}

void CSysDlg::OnRecall() {
    const int slot = m_slot;
    if (slot < 1 || slot > kSlotCount) {
        return;
    }
    Host()->DeviceCommand(CMD_RECALL, slot);
    Host()->DeviceCommand(CMD_READ_SYSTEM, 0);
    if (!Connected() && TheModel().settings.presetsLoaded != 0) {
        Hooks().RefreshAll(); // the loaded preset is the live program now
    }
}

void CSysDlg::OnStore() {
    const int slot = m_slot;
    m_modeText = m_modeName->text();
    if (slot < 1 || slot > kLastStorableSlot || !Connected()) {
        return;
    }
    Model& m = TheModel();
    // The store goes with a password command whose old and new values are both the stored password.
    std::memcpy(m.passwordEntry.data() + kSystemEntry, m.system.systemPassword, kSystemPasswordLength);
    Host()->DeviceCommand(CMD_SYSTEM_PASSWORD, 0);
    {
        ImageLockGuard lock(ImageLock());
        StoreText(m_modeText, m.image.name);
        StoreText(m_modeText, m.presets.Slot(slot).name); // the store frame carries this name
    }
    Host()->DeviceCommand(CMD_STORE, slot);
    m.system.currentSlot = static_cast<u8>(slot);
    FillModeList();
}

void CSysDlg::OnExport() {
    ExportProgram();
}

void CSysDlg::OnImport() {
    ImportProgram();
}

void CSysDlg::OnExportAll() {
    Host()->DeviceCommand(CMD_READ_PROGRAM, 1);
}

void CSysDlg::OnImportAll() {
    ImportAll();
}

// ---- Store authority ----

void CSysDlg::UpdateAuthorityText() {
    const bool allowed = Connected() && StorePermission();
    CFontStatic* text = Label(IDC_AUTHORITY);
    text->SetText(Pick(allowed ? kStoreAllow : kNoStoreAllow));
    text->SetTextColour(allowed ? QColor(0, 128, 64) : QColor::fromRgb(skin::kRed));
}

void CSysDlg::UpdateStoreAuthority() {
    const bool connected = Connected();
    const bool permitted = StorePermission();
    Enable(Item(IDC_VERIFY_OK), false);
    if (connected && permitted) {
        const bool storable = TheModel().system.currentSlot <= kLastStorableSlot;
        Enable(Item(IDC_STORE), storable);
        Enable(m_modeName, storable);
        Enable(Item(IDC_IMPORT), true);
        Enable(Item(IDC_IMPORT_ALL), true);
    } else if (connected) {
        Enable(m_modeName, false);
        Enable(Item(IDC_STORE), false);
        Enable(Item(IDC_IMPORT), false);
        Enable(Item(IDC_IMPORT_ALL), false);
    }
    const bool verifying = connected && !permitted;
    if (!verifying) {
        m_verifyEdit->clear(); // no typed password stays behind a disabled edit
        m_typedVerify.clear();
    }
    Enable(m_verifyEdit, verifying);
    UpdateAuthorityText();
}

void CSysDlg::OnVerifyEdited() {
    m_typedVerify = m_verifyEdit->text();
    const QString stored = FieldText(SystemField(m_system.offset, m_system.length));
    Enable(Item(IDC_VERIFY_OK), Connected() && m_typedVerify == stored);
}

void CSysDlg::OnVerifyOk() {
    Model& m = TheModel();
    m_typedVerify = m_verifyEdit->text();
    if (m_typedVerify != FieldText(SystemField(m_system.offset, m_system.length))) {
        return;
    }
    // The typed text is the stored password; the stored bytes go as the new value, so that the
    // verification never rewrites the password (not even its padding).
    std::memcpy(m.passwordEntry.data() + kSystemEntry, m.system.systemPassword, kSystemPasswordLength);
    Host()->DeviceCommand(CMD_SYSTEM_PASSWORD, 0);
    if (Connected()) {
        m.settings.storePermission = 1;
        UpdateStoreAuthority();
    }
}

// ---- Passwords ----

void CSysDlg::ResetPasswordColumn(PasswordColumn& c) {
    c.stored = FieldText(SystemField(c.offset, c.length));
    for (CEnglishEdit* e : {c.oldEdit, c.newEdit, c.confirmEdit}) {
        e->clear();
    }
    c.typedOld.clear();
    c.typedNew.clear();
    c.typedConfirm.clear();
    c.oldEdit->setEnabled(Connected());
    c.newEdit->setEnabled(false);
    c.confirmEdit->setEnabled(false);
    c.modify->setEnabled(false);
}

// Each step opens the next only while every step before it holds: a new password changed after it was
// confirmed closes Modify again until the confirmation matches.
void CSysDlg::EvaluatePasswordColumn(PasswordColumn& c) {
    c.stored = FieldText(SystemField(c.offset, c.length));
    c.typedOld = c.oldEdit->text();
    c.typedNew = c.newEdit->text();
    c.typedConfirm = c.confirmEdit->text();
    const bool oldOk = Connected() && c.typedOld == c.stored;
    const bool newOk = oldOk && c.typedNew.size() == static_cast<qsizetype>(c.length);
    const bool confirmOk = newOk && c.typedConfirm == c.typedNew;
    c.newEdit->setEnabled(oldOk);
    c.confirmEdit->setEnabled(newOk);
    c.modify->setEnabled(confirmOk);
}

void CSysDlg::ReloadPasswordEntry() {
    for (PasswordColumn* c : {&m_system, &m_panel}) {
        if (c->typedOld.isEmpty() && c->typedNew.isEmpty() && c->typedConfirm.isEmpty()) {
            c->stored = FieldText(SystemField(c->offset, c->length));
        } else {
            EvaluatePasswordColumn(*c);
        }
    }
}

void CSysDlg::Modify(PasswordColumn& column) {
    EvaluatePasswordColumn(column);
    if (!column.modify->isEnabled()) {
        return;
    }
    StoreText(column.typedNew, std::span(TheModel().passwordEntry).subspan(column.entryIndex, column.length));
    Host()->DeviceCommand(column.command, 0);
    // The stored password has changed: both columns start again from the block.
    ResetPasswordColumn(m_system);
    ResetPasswordColumn(m_panel);
}

void CSysDlg::OnSystemModify() {
    Modify(m_system);
}

void CSysDlg::OnPanelModify() {
    Modify(m_panel);
}

} // namespace kel
