// Grabs the main window of `kelvane --demo` after the initial read, once in English and once in Chinese.
// usage: kelvane-screenshots OUTPUT-DIR   (run it under xvfb-run with a 1920x1080 screen)
#include "app/App.h"
#include "app/Show_Dlg.h"
#include "app/TarnDlg.h"
#include "controls/Skin.h"
#include "model/Model.h"
#include "model/Sections.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <clocale>
#include <cstdio>

using namespace kel;

namespace {

// Lets the window connect and read the device, up to a time limit.
void Settle(CTarnDlg& window, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < limitMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        const bool idle = !window.Progress().isVisible();
        if (TheModel().connection.connected != 0 && idle && clock.elapsed() > 1500) {
            break;
        }
        QThread::msleep(10);
    }
    QApplication::processEvents();
}

bool Shoot(const QString& path, LanguageSetting language) {
    AppOptions options;
    options.demo = true;
    options.language = language;
    auto core = StartCore(options);
    CTarnDlg::Settings settings;
    settings.language = language;
    settings.screenSize = QSize(1920, 1080);
    CTarnDlg window(*core, settings);
    window.move(0, 0);
    window.show();
    Settle(window, 15000);
    const bool ok = window.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    window.close();
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    InstallSkinLook(app);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kelvane-screenshots OUTPUT-DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const bool en = Shoot(out.filePath(QStringLiteral("window-en.png")), LanguageSetting::English);
    const bool zh = Shoot(out.filePath(QStringLiteral("window-zh.png")), LanguageSetting::Chinese);
    return en && zh ? 0 : 1;
}
