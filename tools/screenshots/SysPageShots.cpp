// Grabs the system page of `kelvane --demo` on line, once its meters show the processor's levels, in
// English and in Chinese.
// usage: kelvane-system-shots OUTPUT-DIR   (under xvfb-run with a 1920x1080 screen)
#include "app/CoreFactory.h"
#include "app/Show_Dlg.h"
#include "app/TarnDlg.h"
#include "controls/SLamp.h"
#include "controls/Skin.h"
#include "dsp/FilterBank.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "pages/SysDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <clocale>
#include <cstdio>

using namespace kel;

namespace {

// Runs the event loop until `done` holds or the time is up.
template <class Done> bool WaitFor(Done done, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < limitMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        if (done()) {
            return true;
        }
        QThread::msleep(5);
    }
    return false;
}

int LitSegments(const CSysDlg& page) {
    int n = 0;
    for (int i = 0; i < 12; ++i) {
        n += page.Meter(i).LitLevelSegments() + (page.Meter(i).IsLit(CSLamp::kSignalSegment) ? 1 : 0);
    }
    return n;
}

bool Shoot(const QString& path, LanguageSetting language) {
    ResetModel();
    AppOptions options;
    options.demo = true;
    options.language = language;
    auto core = MakeWindowCore(options);
    core->Startup();
    CTarnDlg::Settings settings;
    settings.language = language;
    settings.screenSize = QSize(1920, 1080);
    CTarnDlg window(*core, settings);
    window.move(0, 0);
    window.show();
    const bool online = WaitFor(
        [&] { return TheModel().connection.connected != 0 && !window.Progress().isVisible(); }, 20000);
    auto* page = static_cast<CSysDlg*>(window.Page(PageId::System));
    // Full Mode, so that the input gains show as they are edited; then some level reports.
    window.ModeList().setCurrentIndex(1);
    Q_EMIT window.ModeList().activated(1);
    const bool moving = WaitFor([&] { return LitSegments(*page) > 40; }, 10000);
    WaitFor([] { return false; }, 400);
    const bool ok = online && moving && window.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    window.close();
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    InstallSkinLook(app);
    InstallFilterBank();
    if (argc != 2) {
        std::fprintf(stderr, "usage: kelvane-system-shots OUTPUT-DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const bool en = Shoot(out.filePath(QStringLiteral("system-en.png")), LanguageSetting::English);
    const bool zh = Shoot(out.filePath(QStringLiteral("system-zh.png")), LanguageSetting::Chinese);
    return en && zh ? 0 : 1;
}
