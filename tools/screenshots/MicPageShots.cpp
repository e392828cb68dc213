// Grabs the microphone page of `kelvane --demo` after the initial read, with Mic 1 edited as an operator
// would (a cut where the room rings, a presence lift, the feedback suppressor on), in English and Chinese.
// usage: kelvane-mic-shots OUTPUT-DIR [SUFFIX]   (under xvfb-run; QT_SCALE_FACTOR=2 for the 200% pictures)
#include "ShotKit.h"
#include "controls/CFStatic.h"
#include "controls/MessageEvent.h"
#include "dsp/FilterBank.h"
#include "model/Sections.h"
#include "pages/Mic_Dlg.h"

using namespace kel;

namespace {

void EditLikeAnOperator() {
    CKTVEQ& mic = Collection(EQ_MIC1, 0);
    const struct {
        int band, type, gain, q;
    } edits[] = {
        {2, BAND_LS, 105, 10}, // less proximity boom
        {6, BAND_P, 85, 40},   // a narrow cut where the room rings
        {12, BAND_P, 140, 12}, // presence
        {16, BAND_HS, 130, 10},
    };
    for (const auto& e : edits) {
        mic.At(e.band).SetType(e.type);
        mic.At(e.band).SetGainIndex(e.gain);
        mic.At(e.band).SetQIndex(e.q);
    }
    mic.GetHighPass()->SetSlope(4);
    mic.GetHighPass()->SetCrossoverFrequencyIndex(FreqToIndex(90));
    mic.GetLowPass()->SetSlope(2);
    mic.GetLowPass()->SetCrossoverFrequencyIndex(FreqToIndex(14000));
    MicBlock& m = TheModel().image.mic1;
    m.level = 24; // +2 dB
    m.feedback = 2;
    m.gate.threshold = 20;
    m.limiter.level = 26;
    m.limiter.ratio = 16;
    m.lowExciter.freq = static_cast<std::uint16_t>(FreqToIndex(120));
    m.highExciter.freq = static_cast<std::uint16_t>(FreqToIndex(6000));
    m.highExciter.harmonic = 4;
}

bool Shoot(const QString& path, LanguageSetting language) {
    shots::DemoWindow demo(language);
    demo.WaitOnline(15000);
    CTarnDlg& window = *demo.window;
    window.ShowPage(2);
    TheModel().settings.operatingMode = 1; // Full Mode: every control enabled
    EditLikeAnOperator();
    window.RefreshPage();
    auto* page = static_cast<CMic_Dlg*>(window.Page(PageId::Mic));
    QCoreApplication::postEvent(page, new CMessageEvent(MSG_GRAPH_BAND_EDITED, EQ_MIC1, 12));
    shots::Pause(300);
    page->Graph()->Redraw(12);
    shots::Pause(300);
    return demo.Save(path);
}

} // namespace

int main(int argc, char** argv) {
    return shots::ShotMain(argc, argv, "mic", Shoot);
}
