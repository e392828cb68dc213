// kelvane's start-up, in the order the system defines it.
#include "app/App.h"

#include "app/CoreFactory.h"
#include "app/Options.h"
#include "app/RemoteHost.h"
#include "app/TarnDlg.h"
#include "controls/Skin.h"
#include "dsp/FilterBank.h"
#include "model/BuildConfig.h"
#include "model/Sections.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QStringList>

#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace kel {

bool HaveDisplay() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

std::unique_ptr<WindowCore> StartCore(const AppOptions& options) {
    std::unique_ptr<WindowCore> core = MakeWindowCore(options);
    core->Startup();
    InstallFilterBank(); // the EQ curves follow the image from the first ResetModel on
    ResetModel();
    return core;
}

int RunApplication(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("kelvane"));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(build::kVersion));
    AppOptions options;
    {
        QStringList arguments;
        for (int i = 0; i < argc; ++i) {
            arguments << QString::fromLocal8Bit(argv[i]);
        }
        std::string message;
        switch (ParseOptions(arguments, options, message)) {
        case ParseResult::ExitOk:
            std::fputs(message.c_str(), stdout);
            return 0;
        case ParseResult::Error:
            std::fprintf(stderr, "kelvane: %s\nTry 'kelvane --help'.\n", message.c_str());
            return 2;
        case ParseResult::Run:
            break;
        }
    }
    if (!HaveDisplay()) {
        std::fputs("kelvane: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not set).\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);
    // The core prints and reads numbers with the C library: keep its numeric locale neutral.
    std::setlocale(LC_NUMERIC, "C");
    InstallSkinLook(app);

    std::unique_ptr<WindowCore> core = StartCore(options);
    CreateModeFolder();
    CTarnDlg::Settings settings;
    settings.language = options.language;
    CTarnDlg window(*core, settings);
    window.show();
    std::unique_ptr<RemoteHost> remote;
    if (options.remote) {
        std::string error;
        remote = RemoteHost::Start(window, *options.remote, options.tokenFile, error);
        if (remote) {
            std::printf("%s\n", remote->Server().PageUrl().c_str());
            std::fflush(stdout);
            remote->ShowDisplay();
        } else {
            const std::string text = "The remote control is not available: " + error;
            std::fprintf(stderr, "kelvane: %s\n", text.c_str());
            QMessageBox::warning(&window, QStringLiteral("Kelvane"), QString::fromStdString(text));
        }
    }
    const int code = app.exec();
    remote.reset(); // the service stops before the window and the model go
    return code;
}

} // namespace kel
