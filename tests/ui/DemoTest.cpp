// `kelvane --demo`: the window against the emulated processor through the simulated USB bridge.
#include "UiTestMain.h"

#include "app/App.h"
#include "app/Show_Dlg.h"
#include "app/TarnDlg.h"
#include "controls/BitButton.h"
#include "controls/FontStatic.h"
#include "model/DataConver.h"
#include "model/Model.h"

#include "support/ProcessState.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cstring>

using namespace kel;

namespace {

// Notes every time the progress form comes up with the lookup text: the identify reply may replace it
// with the bar before the test's loop looks again.
class LookupWatch : public QObject {
  public:
    explicit LookupWatch(CShow_Dlg& form) : m_form(form) { form.installEventFilter(this); }
    bool Seen() const { return m_seen; }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show && m_form.TextShown() &&
            m_form.Text() == QStringLiteral("Device lookup")) {
            m_seen = true;
        }
        return false;
    }

  private:
    CShow_Dlg& m_form;
    bool m_seen = false;
};

} // namespace

class DemoTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void connectsReadsAndShowsTheLiveProgram();
};

void DemoTest::connectsReadsAndShowsTheLiveProgram() {
    // What the connect shows, at a tenth of the real pauses; its duration is bench_ui's BM_DemoConnect.
    test::ProcessState state{{.timingScale = test::kQuickTiming, .resetModel = false}};
    AppOptions options;
    options.demo = true;
    std::unique_ptr<WindowCore> core = StartCore(options);
    CTarnDlg::Settings settings;
    settings.screenSize = QSize(1920, 1080);
    auto window = std::make_unique<CTarnDlg>(*core, settings);
    const LookupWatch lookup(window->Progress()); // the connect starts as soon as the window opens
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    Model& m = TheModel();
    CShow_Dlg& progress = window->Progress();
    bool sawLookup = false;
    bool sawBar = false;
    int barTotal = 0;
    QElapsedTimer clock;
    clock.start();
    // Identify, then the numbered initial read; the bar hides itself after the last reply.
    while (clock.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (progress.isVisible() && progress.TextShown() &&
            progress.Text() == QStringLiteral("Device lookup")) {
            sawLookup = true;
        }
        if (progress.isVisible() && progress.BarShown()) {
            sawBar = true;
            barTotal = progress.BarMaximum();
        }
        if (sawBar && !progress.isVisible() && m.connection.connected != 0) {
            break;
        }
        QThread::msleep(5);
    }
    QVERIFY(sawLookup || lookup.Seen()); // the USB link shows the lookup form first
    QVERIFY(sawBar);
    QCOMPARE(barTotal, 24); // 22 names, the live system block, the live program
    QCOMPARE(m.connection.connected, 1);
    QCOMPARE(int(m.settings.transportType), int(TRANSPORT_USB));
    QVERIFY(!progress.OwnerDisabled());

    QTRY_VERIFY(!window->StatusLine().Text().isEmpty());
    const std::string name = BytesToText(m.image.name);
    QVERIFY(!name.empty());
    const int slot = m.system.currentSlot;
    const QString prefix =
        slot <= 16 ? QStringLiteral("%1:").arg(slot) : QStringLiteral("F%1:").arg(slot - 16);
    QCOMPARE(window->StatusLine().Text(), prefix + QString::fromLatin1(name.c_str()));
    QCOMPARE(window->ConnectButton().text(), QStringLiteral("Disconnect"));
    QCOMPARE(std::memcmp(&m.image, &m.shadow, sizeof(ProgramImage)), 0); // nothing left to send

    QFile log(QStringLiteral("ss.txt"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().startsWith("11"));

    // Connect while connected disconnects at once, without a message box.
    QTest::mouseClick(&window->ConnectButton(), Qt::LeftButton);
    QCOMPARE(m.connection.connected, 0);
    QTRY_COMPARE(window->StatusLine().Text(), QStringLiteral("Off Line"));
    window.reset();
}

KEL_QTEST_MAIN(DemoTest)
#include "DemoTest.moc"
