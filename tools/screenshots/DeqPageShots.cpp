// Grabs the dynamic EQ page of `kelvane --demo` after the initial read, with Music Left's three dynamic
// bands set as an operator would (a low shelf held in check, a cut for harsh mids, an air lift), in English
// and Chinese.
// usage: kelvane-deq-shots OUTPUT-DIR [SUFFIX]   (under xvfb-run; QT_SCALE_FACTOR=2 for the 200% pictures)
#include "ShotKit.h"
#include "controls/CFStatic.h"
#include "dsp/FilterBank.h"
#include "model/Sections.h"
#include "pages/DEQ_Dlg.h"

using namespace kel;

namespace {

void EditLikeAnOperator() {
    CKTVEQ& deq = Collection(EQ_DEQ_L, 0);
    const struct {
        int band, type, freqHz, gain, q, level, attack, release, ratio;
    } edits[] = {
        {0, BAND_LS, 120, 150, 10, 30, 6, 3, 12}, // bass lift, compressed when loud
        {1, BAND_P, 2500, 90, 30, 40, 3, 2, 20},  // harsh mids cut
        {2, BAND_HS, 10000, 140, 10, 50, 2, 1, 8},
    };
    for (const auto& e : edits) {
        CFilter& f = deq.At(e.band);
        f.SetType(e.type);
        f.SetFrequencyIndex(FreqToIndex(e.freqHz));
        f.SetGainIndex(e.gain);
        f.SetQIndex(e.q);
        DynamicEqBand& d = TheModel().image.musicL.deq[e.band];
        d.limitLevel = static_cast<std::uint8_t>(e.level);
        d.attack = static_cast<std::uint8_t>(e.attack);
        d.release = static_cast<std::uint8_t>(e.release);
        d.ratio = static_cast<std::uint8_t>(e.ratio);
    }
}

bool Shoot(const QString& path, LanguageSetting language) {
    shots::DemoWindow demo(language);
    demo.WaitOnline(15000);
    CTarnDlg& window = *demo.window;
    window.ShowPage(1);
    TheModel().settings.operatingMode = 1; // Full Mode: the page is shut in Easy Mode
    EditLikeAnOperator();
    window.RefreshPage();
    auto* page = static_cast<CDEQ_Dlg*>(window.Page(PageId::Deq));
    shots::Pause(300);
    page->Graph()->Redraw(1);
    shots::Pause(300);
    return demo.Save(path);
}

} // namespace

int main(int argc, char** argv) {
    return shots::ShotMain(argc, argv, "deq", Shoot);
}
