// The right button on the EQ graph, through the whole window as X11 delivers it: the press, the context-menu
// event Qt sends right after it, the moves and the release. The Q drag ends with its button, no menu opens
// over the graph, and the window's About menu stays on the empty background.
#include "UiTestMain.h"

#include "app/TarnDlg.h"
#include "app/WindowCore.h"
#include "controls/BitmapSlider.h"
#include "controls/CFStatic.h"
#include "dsp/FilterBank.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "pages/MusicDlg.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>
#include <QWindow>

#include <cstring>
#include <memory>

using namespace kel;

namespace {

// Notes every context-menu event and closes any popup the moment it opens (a menu's own event loop
// would otherwise hold the test), remembering the texts of its actions.
class MenuWatch : public QObject {
  public:
    MenuWatch() {
        qApp->installEventFilter(this);
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { ClosePopup(); });
        m_timer.start();
    }
    ~MenuWatch() override { qApp->removeEventFilter(this); }

    int contextEvents = 0;
    QStringList menus; // the action texts of each popup that opened, joined

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            m_armed = true;
        }
        if (event->type() == QEvent::ContextMenu && m_armed) {
            m_armed = false; // counted once, however far it propagates
            ++contextEvents;
        }
        if (event->type() == QEvent::Show) {
            QTimer::singleShot(0, this, [this] { ClosePopup(); });
        }
        return false;
    }

  private:
    void ClosePopup() {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            QStringList texts;
            for (QAction* a : menu->actions()) {
                texts << a->text();
            }
            menus << texts.join(QLatin1Char('|'));
            menu->close();
        }
    }

    QTimer m_timer;
    bool m_armed = false;
};

} // namespace

class RightDragTest : public QObject {
    Q_OBJECT

  private:
    WindowCore m_core; // off line: nothing connects
    std::unique_ptr<CTarnDlg> m_window;
    CCFStatic* m_graph = nullptr;

    QWindow* Handle() const { return m_window->windowHandle(); }
    QPoint InWindow(QWidget* w, QPoint p) const { return w->mapTo(m_window.get(), p); }
    QPoint Marker(int band) const {
        const Point c = Collection(EQ_MUSIC_L, 0).At(band).MarkerRect().Center();
        return InWindow(m_graph, QPoint(c.x, c.y));
    }
    // A right press as X11 delivers it: the press, then the context-menu event for the widget under the
    // pointer (sent by Qt itself where the platform asks for menus on press; sent here where it does not).
    void RightPress(MenuWatch& watch, QPoint at) {
        const int before = watch.contextEvents;
        QTest::mousePress(Handle(), Qt::RightButton, {}, at);
        if (watch.contextEvents == before) {
            QWidget* under = m_window->childAt(at);
            QContextMenuEvent e(QContextMenuEvent::Mouse, under->mapFrom(m_window.get(), at),
                                m_window->mapToGlobal(at));
            QApplication::sendEvent(under, &e);
        }
        QCOMPARE(watch.contextEvents, before + 1);
    }
    void MoveTo(QPoint at) { QTest::mouseMove(Handle(), at); }

  private Q_SLOTS:
    void initTestCase() { InstallFilterBank(); }
    void init() {
        ResetModel();
        CTarnDlg::Settings settings;
        settings.screenSize = QSize(1920, 1080);
        settings.postConnect = false;
        m_window = std::make_unique<CTarnDlg>(m_core, settings);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->ShowPage(0);
        auto* page = dynamic_cast<CMusicDlg*>(m_window->Page(PageId::Music));
        QVERIFY(page != nullptr);
        m_graph = page->Graph();
        QVERIFY(m_graph->isVisible());
    }
    void cleanup() { m_window.reset(); }

    void qDragEndsWithItsButtonAndOpensNoMenu();
    void aboutMenuOnlyOverTheBackground();
};

void RightDragTest::qDragEndsWithItsButtonAndOpensNoMenu() {
    MenuWatch watch;
    ProgramImage& img = TheModel().image;
    CFilter& band7 = Collection(EQ_MUSIC_L, 0).At(6);
    CFilter& band10 = Collection(EQ_MUSIC_L, 0).At(9);
    const int q = band7.QIndex();
    const QPoint start = Marker(6);

    MoveTo(start);
    MoveTo(start + QPoint(1, 0)); // found under the pointer
    RightPress(watch, start + QPoint(1, 0));
    for (int dx = 7; dx <= 25; dx += 6) {
        MoveTo(start + QPoint(dx, 0));
    }
    QTest::mouseRelease(Handle(), Qt::RightButton, {}, start + QPoint(25, 0));
    QVERIFY2(watch.menus.isEmpty(), qPrintable(watch.menus.join(QLatin1Char(';'))));
    QCOMPARE(band7.QIndex(), q + 2); // the drag itself worked
    QVERIFY(!band7.RightDragging());
    const EqBand after = img.musicL.eq[6];

    // Plain pointer movement afterwards leaves the band alone ...
    for (int dx = 40; dx <= 200; dx += 40) {
        MoveTo(start + QPoint(dx, 10));
    }
    QCOMPARE(band7.QIndex(), q + 2);

    // ... and a left drag on another marker moves that band, not this band's Q.
    const QPoint other = Marker(9);
    const int gain10 = band10.GainIndex();
    MoveTo(other);
    MoveTo(other + QPoint(0, -1));
    QTest::mousePress(Handle(), Qt::LeftButton, {}, other + QPoint(0, -1));
    for (int dy = 10; dy <= 50; dy += 10) {
        MoveTo(other - QPoint(0, dy));
    }
    QTest::mouseRelease(Handle(), Qt::LeftButton, {}, other - QPoint(0, 50));
    QVERIFY(band10.GainIndex() > gain10);
    QCOMPARE(std::memcmp(&img.musicL.eq[6], &after, sizeof after), 0);
    QVERIFY(watch.menus.isEmpty());
}

void RightDragTest::aboutMenuOnlyOverTheBackground() {
    MenuWatch watch;
    // Over the graph, over a volume slider and over a page's face beside the controls.
    RightPress(watch, InWindow(m_graph, QPoint(m_graph->width() / 2, m_graph->height() / 2)));
    QTest::mouseRelease(Handle(), Qt::RightButton, {}, InWindow(m_graph, m_graph->rect().center()));
    QCoreApplication::processEvents();
    CBitmapSlider& slider = m_window->VolumeSlider(STRIP_MUSIC);
    RightPress(watch, InWindow(&slider, slider.rect().center()));
    QTest::mouseRelease(Handle(), Qt::RightButton, {}, InWindow(&slider, slider.rect().center()));
    QCoreApplication::processEvents();
    QVERIFY2(watch.menus.isEmpty(), qPrintable(watch.menus.join(QLatin1Char(';'))));

    // On the page's empty face: the About item, in the current language, with its shortcut.
    QWidget* page = m_window->Page(PageId::Music);
    QPoint empty(-1, -1);
    for (int y = 2; y < page->height() && empty.x() < 0; y += 5) {
        for (int x = 2; x < page->width(); x += 5) {
            if (m_window->childAt(InWindow(page, QPoint(x, y))) == page) {
                empty = InWindow(page, QPoint(x, y));
                break;
            }
        }
    }
    QVERIFY(empty.x() >= 0);
    RightPress(watch, empty);
    QTest::mouseRelease(Handle(), Qt::RightButton, {}, empty);
    QTRY_COMPARE(watch.menus.size(), 1);
    QCOMPARE(watch.menus.front(), QStringLiteral("&About Kelvane..."));
    QCOMPARE(m_window->AboutAction().shortcut(), QKeySequence(Qt::Key_F1));

    TheModel().settings.languageFlag = 1;
    m_window->ApplyLanguage();
    RightPress(watch, empty);
    QTest::mouseRelease(Handle(), Qt::RightButton, {}, empty);
    QTRY_COMPARE(watch.menus.size(), 2);
    QCOMPARE(watch.menus.back(), QString::fromUtf8("关于(&A)..."));
    TheModel().settings.languageFlag = 0;
}

KEL_QTEST_MAIN(RightDragTest)
#include "RightDragTest.moc"
