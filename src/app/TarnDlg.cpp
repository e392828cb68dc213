// The main window.
#include "app/TarnDlg.h"

#include "app/QtHooks.h"
#include "app/Show_Dlg.h"
#include "app/TarnLayout.h"
#include "app/Texts.h"
#include "app/WindowCore.h"
#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/DialogUnits.h"
#include "controls/Edit_Static.h"
#include "controls/EnTabCtrl.h"
#include "controls/EnterFocus.h"
#include "controls/FontStatic.h"
#include "controls/Skin.h"
#include "model/BuildConfig.h"
#include "model/Model.h"
#include "model/Sections.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>

namespace kel {

namespace {

using namespace tarn;

constexpr int kAboutCommand = 16;
constexpr int kSmallScreenWidth = 1366;
constexpr int kSmallScreenHeight = 768;
constexpr QSize kSmallScreenWindow(1290, 740);
constexpr int kChineseLocaleId = 0x0804;
constexpr int kEnglishLocaleId = 0x0409;

// One master volume strip: its controls, its system block bytes, its conversion and its captions.
struct StripSetup {
    int label, slider, value, mute;
    FieldAt volume;  // volume byte, bit 7 = mute
    FieldAt maximum; // "... max volume" byte
    Conv conversion;
    texts::Pair caption;
    const char* templateCaption;
};

constexpr std::array<StripSetup, 3> kStripSetups = {{
    {IDC_MUSIC_LABEL,
     IDC_MUSIC_SLIDER,
     IDC_MUSIC_VALUE,
     IDC_MUSIC_MUTE,
     At(KEL_FIELD(SystemBlock, musicVolume)),
     At(KEL_FIELD(SystemBlock, musicMax)),
     Conv::MusicVolume,
     {"音乐音量", "Music Vol"},
     "音乐"},
    {IDC_MIC_LABEL,
     IDC_MIC_SLIDER,
     IDC_MIC_VALUE,
     IDC_MIC_MUTE,
     At(KEL_FIELD(SystemBlock, micVolume)),
     At(KEL_FIELD(SystemBlock, micMax)),
     Conv::MicVolume,
     {"话筒音量", "Mic Vol"},
     "话筒"},
    {IDC_EFFECT_LABEL,
     IDC_EFFECT_SLIDER,
     IDC_EFFECT_VALUE,
     IDC_EFFECT_MUTE,
     At(KEL_FIELD(SystemBlock, effectVolume)),
     At(KEL_FIELD(SystemBlock, effectMax)),
     Conv::EffectVolume,
     {"效果音量", "Effect Vol"},
     "效果"},
}};

int SystemByte(const FieldAt& field) {
    return ReadField(TheModel(), field);
}

QRect WindowRect(int id) {
    const DluRect r = RectOf(id);
    return DialogUnits::Get().Rect(r.x, r.y, r.w, r.h);
}

// The system's locale identifier, as the language setting 2 compares it.
int SystemLocaleId() {
    const QLocale locale = QLocale::system();
    if (locale.language() == QLocale::Chinese && locale.territory() == QLocale::China) {
        return kChineseLocaleId;
    }
    return locale.language() == QLocale::English ? kEnglishLocaleId : 0;
}

// The client area: paints the window background and passes the controls' messages to the window.
class ClientArea : public QWidget {
  public:
    ClientArea(QWidget* window) : QWidget(window), m_background(LoadSkinBitmap(IDB_WINDOW_BACKGROUND)) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Window));
        p.drawPixmap(0, 0, m_background);
    }
    void customEvent(QEvent* event) override { QCoreApplication::sendEvent(parentWidget(), event); }

  private:
    QPixmap m_background;
};

} // namespace

struct TarnMessages {
    static constexpr std::array<MessageEntry<CTarnDlg>, 9> kTable = {{
        {MSG_TRANSPORT_FAILED, &CTarnDlg::OnTransportFailed},
        {MSG_CONNECT, &CTarnDlg::OnConnectMessage},
        {MSG_SYSTEM_RECEIVED, &CTarnDlg::OnSystemReceived},
        {MSG_PROGRAM_RECEIVED, &CTarnDlg::OnProgramReceived},
        {MSG_ALL_PRESETS_RECEIVED, &CTarnDlg::OnAllPresetsReceived},
        {MSG_LEVELS_RECEIVED, &CTarnDlg::OnLevelsReceived},
        {MSG_IDENTIFY_REPLY, &CTarnDlg::OnIdentifyReply},
        {MSG_SLIDER_MOVING, &CTarnDlg::OnSliderMoved},
        {MSG_SLIDER_MOVED, &CTarnDlg::OnSliderMoved},
    }};
};

CTarnDlg::CTarnDlg(WindowCore& core, const Settings& settings, QWidget* parent)
    : QWidget(parent), m_core(core) {
    setObjectName(QStringLiteral("CTarnDlg"));
    // The window's icon and background (painted by the client area).
    setWindowIcon(AppIcon());
    const QSize size = DialogUnits::Get().Size(kWindowWidthDlu, kWindowHeightDlu);
    setFixedSize(size);
    m_client = new ClientArea(this);
    m_client->setGeometry(QRect(QPoint(0, 0), size));
    TakeFocusOnEnter(this);
    // The About box: F1 anywhere in the window, and the context menu of the empty background.
    m_about = new QAction(this);
    m_about->setData(kAboutCommand);
    m_about->setShortcut(QKeySequence(Qt::Key_F1));
    m_about->setShortcutContext(Qt::WindowShortcut);
    connect(m_about, &QAction::triggered, this, [this] { ShowAbout(); });
    addAction(m_about);

    ConfigureLanguage(settings.language);
    CreateControls();
    m_progress = new CShow_Dlg(this);
    CreatePages();
    // Start on the "System" page.
    m_tabs->SetCurSel(8);
    ShowPage(kSystemTab);
    m_tabs->SetCurSel(kSystemTab);
    ApplyLanguage();

    m_hooks = std::make_unique<CQtHooks>(*this, *m_progress, m_core);
    SetAppHooks(m_hooks.get());

    if (settings.postConnect) {
        PostMessageTo(this, MSG_CONNECT, 0, 0);
    }
    QSize screenSize = settings.screenSize.value_or(QSize());
    QRect available = settings.availableGeometry.value_or(QRect(QPoint(0, 0), screenSize));
    if (!settings.screenSize && screen() != nullptr) {
        screenSize = screen()->geometry().size();
        available = settings.availableGeometry.value_or(screen()->availableGeometry());
    }
    ApplySmallScreenRule(screenSize, available);
    m_core.WindowOpened();
}

CTarnDlg::~CTarnDlg() {
    m_core.Shutdown(); // no transport thread posts to the window after this
    SetAppHooks(nullptr);
}

void CTarnDlg::ConfigureLanguage(LanguageSetting setting) {
    Model& m = TheModel();
    switch (setting) {
    case LanguageSetting::English:
        m.settings.languageFlag = 0;
        break;
    case LanguageSetting::Chinese:
        m.settings.languageFlag = 1;
        break;
    case LanguageSetting::ByLocale:
        m.settings.languageFlag = SystemLocaleId() == kChineseLocaleId ? 1 : 0;
        break;
    }
    m_languageButtonShown = setting == LanguageSetting::ByLocale;
}

void CTarnDlg::CreateControls() {
    const QColor white = QColor::fromRgb(skin::kTextOnDark);
    for (std::size_t i = 0; i < kStripSetups.size(); ++i) {
        const StripSetup& item = kStripSetups[i];
        const Conversion& conv = ConversionOf(item.conversion);
        Strip& s = m_strips[i];

        s.label = new CFontStatic(m_client);
        s.label->setGeometry(WindowRect(item.label));
        s.label->SetTextHeight(kDialogFontPixels);
        s.label->SetTextColour(white);
        s.label->SetText(QString::fromUtf8(item.templateCaption));

        s.slider = new CBitmapSlider(m_client, item.slider);
        s.slider->move(WindowRect(item.slider).topLeft());
        s.slider->SetBitmapChannel(IDB_VOLUME_CHANNEL, IDB_VOLUME_CHANNEL_ACTIVE);
        s.slider->SetBitmapThumb(IDB_VOLUME_THUMB);
        s.slider->SetMargin(0, 0, 0, 0);
        s.slider->SetRange(conv.min, conv.max);

        s.value = new CEdit_Static(m_client);
        s.value->setGeometry(WindowRect(item.value));
        s.value->SetAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        s.value->Configure(conv);

        s.mute = new CBitButton(m_client, item.mute);
        s.mute->setGeometry(WindowRect(item.mute));
        s.mute->SetLook(ButtonLook::Mute);
        s.mute->setFocusPolicy(Qt::TabFocus);
        const int strip = static_cast<int>(i);
        connect(s.mute, &QAbstractButton::clicked, this, [this, strip] { OnMuteClicked(strip); });
    }

    m_modeList = new QComboBox(m_client);
    m_modeList->setObjectName(QStringLiteral("modeList1025"));
    m_modeList->setGeometry(WindowRect(IDC_MODE_LIST));
    connect(m_modeList, &QComboBox::activated, this, [this](int index) { OnModeChosen(index); });

    m_status = new CFontStatic(m_client);
    m_status->setGeometry(WindowRect(IDC_STATUS));
    m_status->SetTextHeight(kDialogFontPixels);
    m_status->SetTextColour(white);
    m_status->SetText(QString::fromUtf8(texts::kTemplateStatus));

    m_connect = new CBitButton(m_client, IDC_CONNECT);
    m_connect->setGeometry(WindowRect(IDC_CONNECT));
    m_connect->SetLook(ButtonLook::Text);
    m_connect->setText(QString::fromUtf8(texts::kTemplateConnect));
    connect(m_connect, &QAbstractButton::clicked, this, [this] { OnConnect(); });

    m_language = new CBitButton(m_client, IDC_LANGUAGE);
    m_language->setGeometry(WindowRect(IDC_LANGUAGE));
    m_language->SetLook(ButtonLook::Text);
    m_language->setText(QString::fromUtf8(texts::kTemplateLanguage));
    m_language->setVisible(m_languageButtonShown);
    connect(m_language, &QAbstractButton::clicked, this, [this] {
        int& flag = TheModel().settings.languageFlag;
        flag = flag != 0 ? 0 : 1;
        ApplyLanguage();
    });

    m_tabs = new CEnTabCtrl(m_client, IDC_TABS);
    m_tabs->setGeometry(WindowRect(IDC_TABS));
    for (int i = 0; i < kTabCount; ++i) {
        m_tabs->InsertItem(i, QString::fromUtf8(kTabs[static_cast<std::size_t>(i)].zh));
        m_tabs->SetTabColour(i, QColor::fromRgb(skin::kSlate));
    }
    connect(m_tabs, &CBaseTabCtrl::SelChange, this, [this](int index) { ShowPage(index); });

    m_vbar = new QScrollBar(Qt::Vertical, this);
    m_hbar = new QScrollBar(Qt::Horizontal, this);
    m_vbar->hide();
    m_hbar->hide();
    connect(m_vbar, &QScrollBar::valueChanged, this, [this](int v) { OnScroll(m_vbar, m_vpos, v, true); });
    connect(m_hbar, &QScrollBar::valueChanged, this, [this](int v) { OnScroll(m_hbar, m_hpos, v, false); });
}

void CTarnDlg::CreatePages() {
    // Over the tab control's client area, 21 pixels below its top and 1 pixel in from the other edges.
    const QRect area = m_tabs->rect().adjusted(1, CBaseTabCtrl::kItemHeight + 1, -1, -1);
    for (const PageEntry& entry : kPages) {
        CPageBase* page = entry.create(m_tabs, this);
        page->setGeometry(area);
        page->hide();
        m_pages[static_cast<std::size_t>(entry.id)] = page;
    }
}

CPageBase* CTarnDlg::ShownPage() const {
    const int current = TheModel().settings.currentPage;
    if (current < 0 || current >= kTabCount) {
        return nullptr;
    }
    return Page(kTabs[static_cast<std::size_t>(current)].page);
}

CBitmapSlider& CTarnDlg::VolumeSlider(int strip) const {
    return *m_strips[static_cast<std::size_t>(strip)].slider;
}
CEdit_Static& CTarnDlg::VolumeValue(int strip) const {
    return *m_strips[static_cast<std::size_t>(strip)].value;
}
CBitButton& CTarnDlg::MuteButton(int strip) const {
    return *m_strips[static_cast<std::size_t>(strip)].mute;
}
CFontStatic& CTarnDlg::VolumeLabel(int strip) const {
    return *m_strips[static_cast<std::size_t>(strip)].label;
}

void CTarnDlg::ShowPage(int index) {
    Model& m = TheModel();
    if (index == m.settings.currentPage || index < 0 || index >= kTabCount) {
        return;
    }
    m.settings.currentPage = index;
    {
        ImageLockGuard lock(ImageLock()); // the receive parser reads it on a link's thread
        m.settings.meters.wanted = index == kSystemTab; // the system page shows the level reports
    }
    m_tabs->SetCurSel(index);
    const PageId shown = kTabs[static_cast<std::size_t>(index)].page;
    if (index >= kFirstOutputTab && index <= kLastOutputTab) {
        Page(PageId::Main)->SelectOutputTab(index);
    }
    for (int i = 0; i < kPageCount; ++i) {
        m_pages[static_cast<std::size_t>(i)]->setVisible(static_cast<PageId>(i) == shown);
    }
    RefreshPage();
}

void CTarnDlg::RefreshPage() {
    if (CPageBase* page = ShownPage()) {
        page->Refresh();
    }
    RefreshVolumeStrips();
    m_modeList->setCurrentIndex(TheModel().settings.operatingMode);
    for (CPageBase* page : m_pages) {
        page->ApplyMode();
    }
}

void CTarnDlg::RefreshVolumeStrips() {
    for (std::size_t i = 0; i < kStripSetups.size(); ++i) {
        const int byte = SystemByte(kStripSetups[i].volume);
        const int volume = byte & kVolumeMask;
        m_strips[i].value->SetValue(volume);
        m_strips[i].slider->SetPos(volume);
        m_strips[i].mute->SetOn((byte & kMuteBit) != 0);
    }
}

void CTarnDlg::ClampMasterVolume(int strip) {
    if (strip < 0 || strip >= static_cast<int>(kStripSetups.size())) {
        return;
    }
    const StripSetup& item = kStripSetups[static_cast<std::size_t>(strip)];
    const int volume = SystemByte(item.volume);
    const int maximum = SystemByte(item.maximum);
    if ((volume & kVolumeMask) > maximum) {
        EditField(TheModel(), item.volume, maximum); // also clears the mute bit
        RefreshVolumeStrips();
    }
}

int CTarnDlg::StripOfSlider(int controlId) const {
    for (std::size_t i = 0; i < kStripSetups.size(); ++i) {
        if (kStripSetups[i].slider == controlId) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void CTarnDlg::OnSliderMoved(std::intptr_t controlId, std::intptr_t) {
    const int strip = StripOfSlider(static_cast<int>(controlId));
    if (strip < 0) {
        return;
    }
    const StripSetup& item = kStripSetups[static_cast<std::size_t>(strip)];
    Strip& s = m_strips[static_cast<std::size_t>(strip)];
    int p = s.slider->GetPos();
    const int maximum = SystemByte(item.maximum);
    if (p > maximum) {
        p = maximum;
        s.slider->SetPos(p);
    }
    s.value->SetValue(p);
    EditField(TheModel(), item.volume, p); // the new volume is not muted
    s.mute->SetOn(false);
}

void CTarnDlg::OnMuteClicked(int strip) {
    const StripSetup& item = kStripSetups[static_cast<std::size_t>(strip)];
    const int volume = SystemByte(item.volume) ^ kMuteBit;
    EditField(TheModel(), item.volume, volume);
    m_strips[static_cast<std::size_t>(strip)].mute->SetOn((volume & kMuteBit) != 0);
}

void CTarnDlg::OnModeChosen(int index) {
    TheModel().settings.operatingMode = index;
    for (CPageBase* page : m_pages) {
        page->ApplyMode();
    }
}

void CTarnDlg::UpdateStatus(bool withName) {
    const Model& m = TheModel();
    if (m.connection.connected != 0) {
        m_connect->setText(texts::Pick(texts::kDisconnect));
        m_connect->SetOn(true);
        if (withName) {
            const int slot = m.system.currentSlot;
            const QString prefix =
                slot <= 16 ? QStringLiteral("%1:").arg(slot) : QStringLiteral("F%1:").arg(slot - 16);
            const std::string name = BytesToText(m.image.name);
            m_status->SetText(prefix + QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
            m_nameShown = true;
        } else if (!m_nameShown) {
            // Open but the live program is still on its way: not "Off Line" beside "Disconnect".
            m_status->SetText(texts::Pick(texts::kConnecting));
        }
    } else {
        m_connect->setText(texts::Pick(texts::kConnect));
        m_connect->SetOn(false);
        m_status->SetText(texts::Pick(texts::kOffLine));
        m_nameShown = false;
    }
}

void CTarnDlg::ApplyLanguage() {
    const bool chinese = TheModel().settings.languageFlag != 0;
    for (int i = 0; i < kTabCount; ++i) {
        const TabEntry& tab = kTabs[static_cast<std::size_t>(i)];
        m_tabs->SetItemText(i, QString::fromUtf8(chinese ? tab.zh : tab.en));
    }
    for (std::size_t i = 0; i < kStripSetups.size(); ++i) {
        m_strips[i].label->SetText(texts::Pick(kStripSetups[i].caption));
    }
    m_language->setText(texts::Pick(texts::kLanguageButton));
    m_about->setText(texts::Pick(texts::kAboutMenu));
    setWindowTitle(QString::fromUtf8(texts::kWindowTitle));
    m_modeList->clear();
    m_modeList->addItem(texts::Pick(texts::kEasyMode));
    m_modeList->addItem(texts::Pick(texts::kFullMode));
    m_modeList->setCurrentIndex(TheModel().settings.operatingMode);
    UpdateStatus(false);
    for (CPageBase* page : m_pages) {
        page->ApplyLanguage();
    }
    m_client->update();
}

void CTarnDlg::OnConnect() {
    m_core.Connect();
    UpdateStatus(false);
}

void CTarnDlg::DeviceCommand(int type, int slot) {
    m_core.DeviceCommand(type, slot);
}

void CTarnDlg::RefreshAll() {
    RefreshPage();
    UpdateStatus(true);
}

void CTarnDlg::ConnectionChanged() {
    UpdateStatus(false);
    if (TheModel().settings.currentPage == kSystemTab) {
        Page(PageId::System)->Refresh();
    }
}

void CTarnDlg::ReloadPasswordEntry() {
    Page(PageId::System)->ReloadPasswordEntry();
}

void CTarnDlg::customEvent(QEvent* event) {
    if (!DispatchMessage(this, TarnMessages::kTable, event)) {
        QWidget::customEvent(event);
    }
}

void CTarnDlg::OnTransportFailed(std::intptr_t type, std::intptr_t rescan) {
    m_core.OnTransportFailed(static_cast<int>(type), static_cast<int>(rescan));
    UpdateStatus(false);
}

void CTarnDlg::OnConnectMessage(std::intptr_t, std::intptr_t) {
    OnConnect();
}

void CTarnDlg::OnSystemReceived(std::intptr_t, std::intptr_t) {
    if (TheModel().settings.currentPage == kSystemTab) {
        Page(PageId::System)->Refresh();
    }
    RefreshVolumeStrips();
}

void CTarnDlg::OnProgramReceived(std::intptr_t, std::intptr_t) {
    ReloadFilters(); // the curves follow the received program here, never on the transport thread
    RefreshPage();
    UpdateStatus(true);
}

void CTarnDlg::OnAllPresetsReceived(std::intptr_t, std::intptr_t) {
    m_progress->Hide();
    m_core.OnAllPresetsReceived();
}

void CTarnDlg::OnLevelsReceived(std::intptr_t reportType, std::intptr_t) {
    Page(PageId::System)->OnLevels(static_cast<int>(reportType));
    ImageLockGuard lock(ImageLock());
    TheModel().settings.meters.ready = 1;
}

void CTarnDlg::OnIdentifyReply(std::intptr_t, std::intptr_t) {
    m_core.OnIdentifyReply();
}

void CTarnDlg::ApplySmallScreenRule(const QSize& screen, const QRect& available) {
    if (!screen.isValid() || (screen.width() >= kSmallScreenWidth && screen.height() >= kSmallScreenHeight)) {
        return;
    }
    m_smallScreen = true;
    m_available = available.isValid() ? available : QRect(QPoint(0, 0), screen);
    // A sizing border and both scroll bars. 1290 × 740 is wider than a 1280-pixel screen: the window
    // takes no more than the available area, or its vertical bar would be off the screen.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(kSmallScreenWindow.boundedTo(m_available.size()));
    m_vbar->show();
    m_hbar->show();
    PlaceScrollBars();
    const int clientWidth = width() - m_vbar->width();
    const int clientHeight = height() - m_hbar->height();
    const int vpage = clientHeight / 100;
    const int hpage = clientWidth / 50;
    // Windows-style ranges: the last position is maximum - page + 1.
    m_vpos = 1;
    m_hpos = 1;
    m_vbar->blockSignals(true);
    m_hbar->blockSignals(true);
    m_vbar->setRange(1, vpage * 15 - vpage + 1);
    m_vbar->setPageStep(vpage);
    m_vbar->setSingleStep(1);
    m_vbar->setValue(1);
    m_hbar->setRange(1, hpage * 20 - hpage + 1);
    m_hbar->setPageStep(hpage);
    m_hbar->setSingleStep(1);
    m_hbar->setValue(1);
    m_vbar->blockSignals(false);
    m_hbar->blockSignals(false);
}

void CTarnDlg::PlaceScrollBars() {
    const int extent = m_vbar->sizeHint().width();
    const int hextent = m_hbar->sizeHint().height();
    m_vbar->setGeometry(width() - extent, 0, extent, height() - hextent);
    m_hbar->setGeometry(0, height() - hextent, width() - extent, hextent);
    m_vbar->raise();
    m_hbar->raise();
}

void CTarnDlg::OnScroll(QScrollBar*, int& position, int value, bool vertical) {
    // The contents move by the difference of the positions, in pixels.
    const int delta = position - value;
    position = value;
    m_client->move(m_client->pos() + (vertical ? QPoint(0, delta) : QPoint(delta, 0)));
    m_client->update();
}

void CTarnDlg::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_smallScreen) {
        // The frame a window manager adds is known once the window is mapped.
        QTimer::singleShot(0, this, [this] { FitToAvailable(); });
    }
}

void CTarnDlg::FitToAvailable() {
    if (!m_smallScreen || !m_available.isValid()) {
        return;
    }
    const QSize frame = frameGeometry().size() - size();
    const QSize fitted = size().boundedTo(m_available.size() - frame);
    if (fitted != size()) {
        resize(fitted);
    }
    QRect outer = frameGeometry();
    outer.moveRight(std::min(outer.right(), m_available.right()));
    outer.moveBottom(std::min(outer.bottom(), m_available.bottom()));
    outer.moveLeft(std::max(outer.left(), m_available.left()));
    outer.moveTop(std::max(outer.top(), m_available.top()));
    if (outer.topLeft() != frameGeometry().topLeft()) {
        move(outer.topLeft());
    }
}

void CTarnDlg::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_smallScreen) {
        PlaceScrollBars();
    }
}

bool CTarnDlg::OnBackground(const QPoint& pos) const {
    // The window's own surfaces: the client area, a page's face, the tab control away from its tabs.
    QWidget* under = childAt(pos);
    if (under == nullptr || under == m_client || dynamic_cast<CPageBase*>(under) != nullptr) {
        return true;
    }
    if (under == m_tabs) {
        return m_tabs->HitTest(m_tabs->mapFrom(this, pos)) < 0;
    }
    return false;
}

void CTarnDlg::contextMenuEvent(QContextMenuEvent* event) {
    // Only over the empty background: a right button over a control belongs to that control.
    if (!OnBackground(event->pos())) {
        event->ignore();
        return;
    }
    event->accept();
    QMenu menu(this);
    menu.addAction(m_about);
    menu.exec(event->globalPos());
}

void CTarnDlg::ShowAbout() {
    QMessageBox box(this);
    box.setWindowTitle(texts::Pick(texts::kAboutTitle));
    box.setIconPixmap(AppIcon().pixmap(64, 64));
    box.setText(QStringLiteral("%1\nKelvane Control %2")
                    .arg(QString::fromUtf8(texts::kWindowTitle), QString::fromUtf8(build::kVersion)));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void CTarnDlg::closeEvent(QCloseEvent* event) {
    m_progress->Hide();
    event->accept();
}

} // namespace kel
