// Grabs the system page of `kelvane --demo` on line, once its meters show the processor's levels, in
// English and in Chinese.
// usage: kelvane-system-shots OUTPUT-DIR   (under xvfb-run with a 1920x1080 screen)
#include "ShotKit.h"
#include "controls/SLamp.h"
#include "pages/SysDlg.h"

#include <QComboBox>

using namespace kel;

namespace {

int LitSegments(const CSysDlg& page) {
    int n = 0;
    for (int i = 0; i < 12; ++i) {
        n += page.Meter(i).LitLevelSegments() + (page.Meter(i).IsLit(CSLamp::kSignalSegment) ? 1 : 0);
    }
    return n;
}

bool Shoot(const QString& path, LanguageSetting language) {
    shots::DemoWindow demo(language);
    CTarnDlg& window = *demo.window;
    const bool online = demo.WaitOnline(20000);
    auto* page = static_cast<CSysDlg*>(window.Page(PageId::System));
    // Full Mode, so that the input gains show as they are edited; then some level reports.
    window.ModeList().setCurrentIndex(1);
    Q_EMIT window.ModeList().activated(1);
    const bool moving = shots::WaitFor([&] { return LitSegments(*page) > 40; }, 10000);
    shots::Pause(400);
    return online && moving && demo.Save(path);
}

} // namespace

int main(int argc, char** argv) { return shots::ShotMain(argc, argv, "system", Shoot); }
