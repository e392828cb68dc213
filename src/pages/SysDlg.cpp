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
#include "model/RangeCheck.h"
#include "model/Model.h"
#include "pages/ByteText.h"
#include "pages/SysLayout.h"
#include "presets/PresetFiles.h"
#include "protocol/CommandTables.h"
#include "protocol/DeviceWorkflows.h"

#include <QComboBox>
#include <QPainter>

#include <cstring>
#include <span>

namespace kel {

namespace {

using namespace sys;

constexpr int kLastStorableSlot = 16; // F1..F5 (17..21) are recalled, never stored
constexpr int kNameLength = 20;
constexpr int kSystemPasswordLength = 6;
constexpr int kPanelPasswordLength = 4;

// The seven sliders, each storing its position into one system block byte.
constexpr std::array<SliderBinding, 7> kSliders = {{
    {IDC_EFFECT_MAX, IDC_EFFECT_MAX_VALUE, Conv::EffectVolume,
     SystemField(KEL_FIELD(SystemBlock, effectMax))},
    {IDC_MIC_MAX, IDC_MIC_MAX_VALUE, Conv::MicVolume, SystemField(KEL_FIELD(SystemBlock, micMax))},
    {IDC_MUSIC_MAX, IDC_MUSIC_MAX_VALUE, Conv::MusicVolume, SystemField(KEL_FIELD(SystemBlock, musicMax))},
    {IDC_VOD_GAIN, IDC_VOD_GAIN_VALUE, Conv::InputGain, SystemField(KEL_FIELD(SystemBlock, vodGain))},
    {IDC_BGM_GAIN, IDC_BGM_GAIN_VALUE, Conv::InputGain, SystemField(KEL_FIELD(SystemBlock, bgmGain))},
    {IDC_COAX_GAIN, IDC_COAX_GAIN_VALUE, Conv::InputGain, SystemField(KEL_FIELD(SystemBlock, coaxGain))},
    {IDC_OPTI_GAIN, IDC_OPTI_GAIN_VALUE, Conv::InputGain, SystemField(KEL_FIELD(SystemBlock, optiGain))},
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
static_assert(kInputItems.size() == kMusicInputChoices, "the range check of files knows these choices");
constexpr std::array<const char*, 2> kSenItems = {"L", "H"};

constexpr std::array<ComboBinding, 4> kCombos = {{
    {IDC_PHANTOM, kPhantomItems, SystemField(KEL_FIELD(SystemBlock, rearMicPhantom))},
    {IDC_IR, kIrItems, SystemField(KEL_FIELD(SystemBlock, irControl))},
    {IDC_MUSIC_INPUT, kInputItems, SystemField(KEL_FIELD(SystemBlock, musicInput))},
    // The low nibble of byte 9; the key control of the music page is the high nibble.
    {IDC_SEN, kSenItems, SystemField(LowNibbleOf(KEL_FIELD(SystemBlock, keySen)))},
}};

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

QString SlotName(int slot) {
    return FieldText(TheModel().presets.Slot(slot).name);
}

QString StoredSystemPassword() {
    return FieldText(TheModel().system.systemPassword);
}

void Enable(QWidget* w, bool on) {
    if (w != nullptr) {
        w->setEnabled(on);
    }
}

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

constexpr std::array<TextEditSetup, 8> kEdits = {{
    {IDC_MODE_NAME, kNameLength, false, false},
    {IDC_VERIFY_EDIT, kSystemPasswordLength, true, false},
    {IDC_SYS_OLD, kSystemPasswordLength, true, true},
    {IDC_SYS_NEW, kSystemPasswordLength, true, true},
    {IDC_SYS_CONFIRM, kSystemPasswordLength, true, false},
    {IDC_PANEL_OLD, kPanelPasswordLength, true, false},
    {IDC_PANEL_NEW, kPanelPasswordLength, true, true},
    {IDC_PANEL_CONFIRM, kPanelPasswordLength, true, false},
}};

constexpr PageTables kTables = Checked({
    .record = RecordKind::System,
    .controls = kControls,
    .sliders = kSliders,
    .combos = kCombos,
    .textEdits = kEdits,
    .texts = kTexts,
    .expert = kExpert,
});

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

CSysDlg::CSysDlg(QWidget* parent, PageHost* host) : CBoundPage(parent, host, kTables) {
    setObjectName(QStringLiteral("CSysDlg"));
    m_backgroundZh = LoadSkinBitmap(IDB_SYSTEM_BACKGROUND_ZH);
    m_backgroundEn = LoadSkinBitmap(IDB_SYSTEM_BACKGROUND_EN);

    for (const SliderBinding& b : kSliders) {
        // The panel's shading shows around the groove.
        Slider(b.slider)->SetBitmapChannel(IDB_SLIDER_CHANNEL, IDB_SLIDER_CHANNEL_ACTIVE, true);
        Display(b.partner)->SetAlignment(Qt::AlignHCenter | Qt::AlignVCenter); // centred in its well
    }
    for (int i = 0; i < kMeterCount; ++i) {
        m_meters[static_cast<std::size_t>(i)] = MeterControl(IDC_METER_FIRST + i);
    }
    m_modeList = Combo(IDC_MODE_LIST);
    m_modeList->setMaxVisibleItems(kSlotCount);
    connect(m_modeList, &QComboBox::activated, this, [this](int index) { OnModeSelected(index); });
    for (const SysButtons::Entry& b : SysButtons::kTable) {
        Button(b.id)->setFocusPolicy(Qt::TabFocus);
    }

    m_modeName = TextEdit(IDC_MODE_NAME);
    m_verifyEdit = TextEdit(IDC_VERIFY_EDIT);
    m_system.emplace(PasswordKind::System, TextEdit(IDC_SYS_OLD), TextEdit(IDC_SYS_NEW),
                     TextEdit(IDC_SYS_CONFIRM), Button(IDC_SYS_MODIFY));
    m_panel.emplace(PasswordKind::Panel, TextEdit(IDC_PANEL_OLD), TextEdit(IDC_PANEL_NEW),
                    TextEdit(IDC_PANEL_CONFIRM), Button(IDC_PANEL_MODIFY));
    // Only the user's typing arrives here; texts set by the page send nothing.
    connect(m_modeName, &CEnglishEdit::Changed, this, [this](int) { m_modeText = m_modeName->text(); });
    connect(m_verifyEdit, &CEnglishEdit::Changed, this, [this](int) { OnVerifyEdited(); });
    for (CPasswordColumn* column : {&*m_system, &*m_panel}) {
        for (CEnglishEdit* e : {column->OldEdit(), column->NewEdit(), column->ConfirmEdit()}) {
            connect(e, &CEnglishEdit::Changed, this, [column](int) { column->Evaluate(); });
        }
    }

    auto* picture = new CPicture(this, LoadSkinBitmap(IDB_SYSTEM_PICTURE));
    const DialogUnits& du = DialogUnits::Get();
    picture->move(du.X(kPictureX), du.Y(kPictureY));
    ApplyLanguage();
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

void CSysDlg::OnPageMessage(int message, std::intptr_t wParam, std::intptr_t) {
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
    CBoundPage::Refresh();
    m_panel->Reset();
    m_system->Reset();
    if (!Connected()) {
        for (CSLamp* meter : m_meters) {
            meter->AllOff(); // no report comes off line
        }
    }
}

void CSysDlg::ApplyLanguage() {
    CBoundPage::ApplyLanguage();
    UpdateAuthorityText();
    update();
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
            EditField(m, At(KEL_FIELD(SystemBlock, currentSlot)), 1);
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

CommandSink CSysDlg::Sink() {
    return [this](int type, int slot) { Host()->DeviceCommand(type, slot); };
}

void CSysDlg::OnRecall() {
    const int slot = m_slot;
    if (slot < 1 || slot > kSlotCount) {
        return;
    }
    RecallSlot(Sink(), slot);
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
    StoreSlot(Sink(), slot, m_modeText.toLatin1().toStdString());
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
    Enable(Item(IDC_VERIFY_OK), Connected() && m_typedVerify == StoredSystemPassword());
}

void CSysDlg::OnVerifyOk() {
    m_typedVerify = m_verifyEdit->text();
    if (VerifySystemPassword(Sink(), m_typedVerify.toLatin1().toStdString()) && Connected()) {
        UpdateStoreAuthority();
    }
}

// ---- Passwords ----

void CSysDlg::ReloadPasswordEntry() {
    m_system->Reload();
    m_panel->Reload();
}

void CSysDlg::Modify(CPasswordColumn& column) {
    if (!column.SendNewPassword(Sink())) {
        return;
    }
    // The stored password has changed: both columns start again from the block.
    m_system->Reset();
    m_panel->Reset();
}

void CSysDlg::OnSystemModify() {
    Modify(*m_system);
}

void CSysDlg::OnPanelModify() {
    Modify(*m_panel);
}

} // namespace kel
