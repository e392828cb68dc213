// Grabs the music page of `kelvane --demo` after the initial read, with a few bands edited as an operator
// would, in English and in Chinese.
// usage: kelvane-music-shots OUTPUT-DIR [SUFFIX]   (under xvfb-run; QT_SCALE_FACTOR=2 for the 200% pictures)
#include "ShotKit.h"
#include "controls/CFStatic.h"
#include "controls/MessageEvent.h"
#include "dsp/FilterBank.h"
#include "model/Sections.h"
#include "pages/MusicDlg.h"

using namespace kel;

namespace {

// A low boost, a mid cut, a presence lift, a high-pass at 40 Hz and a low-pass at 16 kHz.
void EditLikeAnOperator() {
    CKTVEQ& left = Collection(EQ_MUSIC_L, 0);
    const struct {
        int band, type, gain, q;
    } edits[] = {
        {1, BAND_P, 150, 10},   // +6 dB at 31.9 Hz
        {3, BAND_P, 140, 12},   // +4 dB at 80 Hz
        {7, BAND_P, 95, 20},    // -5 dB at 490 Hz
        {11, BAND_P, 135, 10},  // +3 dB at 3 kHz
        {13, BAND_HS, 130, 10}, // a high shelf at 7.55 kHz
    };
    for (const auto& e : edits) {
        left.At(e.band).SetType(e.type);
        left.At(e.band).SetGainIndex(e.gain);
        left.At(e.band).SetQIndex(e.q);
    }
    left.GetHighPass()->SetSlope(9);
    left.GetHighPass()->SetCrossoverFrequencyIndex(FreqToIndex(40));
    left.GetLowPass()->SetSlope(4);
    left.GetLowPass()->SetCrossoverFrequencyIndex(FreqToIndex(16000));
    MusicBlock& music = TheModel().image.musicL;
    music.gate.threshold = 18; // -60 dBV
    music.limiter.level = 28;  // +6 dBV
    music.limiter.ratio = 12;
    music.lowExciter.freq = static_cast<std::uint16_t>(FreqToIndex(100));
    music.lowExciter.harmonic = 3;
    music.highExciter.freq = static_cast<std::uint16_t>(FreqToIndex(5000));
    music.highExciter.harmonic = 2;
}

bool Shoot(const QString& path, LanguageSetting language) {
    shots::DemoWindow demo(language);
    demo.WaitOnline(15000);
    CTarnDlg& window = *demo.window;
    window.ShowPage(0);
    TheModel().settings.operatingMode = 1; // Full Mode: every control enabled
    EditLikeAnOperator();
    window.RefreshPage();
    auto* page = static_cast<CMusicDlg*>(window.Page(PageId::Music));
    QCoreApplication::postEvent(page, new CMessageEvent(MSG_GRAPH_BAND_EDITED, EQ_MUSIC_L, 7));
    shots::Pause(300);
    page->Graph()->Redraw(7);
    shots::Pause(300);
    return demo.Save(path);
}

} // namespace

// usage: kelvane-music-shots OUTPUT-DIR [SUFFIX]
int main(int argc, char** argv) { return shots::ShotMain(argc, argv, "music", Shoot); }
