// Grabs the main window of `kelvane --demo` after the initial read, once in English and once in Chinese.
// usage: kelvane-screenshots OUTPUT-DIR   (run it under xvfb-run with a 1920x1080 screen)
#include "ShotKit.h"

using namespace kel;

int main(int argc, char** argv) {
    return shots::ShotMain(argc, argv, "window", [](const QString& path, LanguageSetting language) {
        shots::DemoWindow demo(language);
        demo.WaitOnline(15000);
        return demo.Save(path);
    });
}
