// What the screenshot tools share: the demo window on a 1920x1080 screen, waiting in the event loop,
// saving the grab, and the main() that shoots English and Chinese.
#pragma once

#include "app/App.h"
#include "app/Show_Dlg.h"
#include "app/TarnDlg.h"
#include "controls/Skin.h"
#include "model/Model.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <clocale>
#include <cstdio>
#include <functional>
#include <memory>

namespace kel::shots {

// Runs the event loop until `done` holds or the time is up; false on time-out.
inline bool WaitFor(const std::function<bool()>& done, int limitMs) {
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

inline void Pause(int ms) { WaitFor([] { return false; }, ms); }

// The window of `kelvane --demo`, shown at the screen's top left.
struct DemoWindow {
    std::unique_ptr<WindowCore> core;
    std::unique_ptr<CTarnDlg> window;

    explicit DemoWindow(LanguageSetting language) {
        AppOptions options;
        options.demo = true;
        options.language = language;
        core = StartCore(options);
        CTarnDlg::Settings settings;
        settings.language = language;
        settings.screenSize = QSize(1920, 1080);
        window = std::make_unique<CTarnDlg>(*core, settings);
        window->move(0, 0);
        window->show();
    }
    ~DemoWindow() { window->close(); }

    // Connected and the initial read done (the progress dialog gone).
    bool WaitOnline(int limitMs) {
        QElapsedTimer clock;
        clock.start();
        return WaitFor(
            [&] {
                return TheModel().connection.connected != 0 && !window->Progress().isVisible() &&
                       clock.elapsed() > 1500;
            },
            limitMs);
    }

    bool Save(const QString& path) {
        const bool ok = window->grab().save(path);
        std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
        return ok;
    }
};

using ShootFn = std::function<bool(const QString& path, LanguageSetting language)>;

// main() of a screenshot tool: `name OUTPUT-DIR [SUFFIX]` writes <base>-en<SUFFIX>.png and
// <base>-zh<SUFFIX>.png. Run it under xvfb-run with a 1920x1080 screen.
inline int ShotMain(int argc, char** argv, const char* base, const ShootFn& shoot) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    InstallSkinLook(app);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT-DIR [SUFFIX]\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString suffix = argc == 3 ? QString::fromLocal8Bit(argv[2]) : QString();
    const QString name = QString::fromUtf8(base);
    const bool en = shoot(out.filePath(name + "-en" + suffix + ".png"), LanguageSetting::English);
    const bool zh = shoot(out.filePath(name + "-zh" + suffix + ".png"), LanguageSetting::Chinese);
    return en && zh ? 0 : 1;
}

} // namespace kel::shots
