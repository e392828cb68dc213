// Grabs the effect page of `kelvane --demo` after the initial read with each effect selected in turn (Echo
// A, Echo B, Reverb), each edited as an operator would, in English and Chinese.
// usage: kelvane-effect-shots OUTPUT-DIR [SUFFIX]   writes effect-{echoa,echob,reverb}-{en,zh}[SUFFIX].png
#include "ShotKit.h"
#include "controls/BitButton.h"
#include "controls/CFStatic.h"
#include "dsp/FilterBank.h"
#include "model/Sections.h"
#include "pages/Effect_Dlg.h"

using namespace kel;

namespace {

// A darker, shorter echo B than echo A, and a reverb with its low end taken out.
void EditLikeAnOperator() {
    ProgramImage& img = TheModel().image;
    const struct {
        EchoBlock* echo;
        int wet, delay, repeat;
    } echoes[] = {{&img.echoA, 70, 2400, 40}, {&img.echoB, 55, 1600, 25}};
    for (const auto& e : echoes) {
        e.echo->wet = static_cast<u8>(e.wet);
        e.echo->dry = 100;
        e.echo->delay = static_cast<std::uint16_t>(e.delay);
        e.echo->preDelay = 200;
        e.echo->repeat = static_cast<u8>(e.repeat);
        e.echo->rightDelay = 60;
    }
    img.echoB.drySign = 1;
    img.reverb.wet = 45;
    img.reverb.dry = 100;
    img.reverb.preDelay = 400;
    img.reverb.time = 9000;
    CommitShadow(false); // the filter objects follow the bytes
    const struct {
        int channel, band, type, gain, q;
    } bands[] = {{EQ_ECHO_A, 1, BAND_LS, 105, 10},
                 {EQ_ECHO_A, 5, BAND_HS, 110, 10},
                 {EQ_ECHO_B, 4, BAND_P, 100, 15},
                 {EQ_REVERB, 0, BAND_LS, 95, 10},
                 {EQ_REVERB, 3, BAND_P, 135, 12}};
    for (const auto& b : bands) {
        CFilter& f = Collection(b.channel, 0).At(b.band);
        f.SetType(b.type);
        f.SetGainIndex(b.gain);
        f.SetQIndex(b.q);
    }
    Collection(EQ_ECHO_A, 0).GetHighPass()->SetSlope(4);
    Collection(EQ_ECHO_A, 0).GetHighPass()->SetCrossoverFrequencyIndex(FreqToIndex(150));
    Collection(EQ_REVERB, 0).GetLowPass()->SetSlope(2);
    Collection(EQ_REVERB, 0).GetLowPass()->SetCrossoverFrequencyIndex(FreqToIndex(8000));
}

bool Shoot(const QString& path, LanguageSetting language) {
    shots::DemoWindow demo(language);
    demo.WaitOnline(15000);
    CTarnDlg& window = *demo.window;
    window.ShowPage(3);
    TheModel().settings.operatingMode = 1; // Full Mode: every control enabled
    EditLikeAnOperator();
    window.RefreshPage();
    auto* page = static_cast<CEffect_Dlg*>(window.Page(PageId::Effect));
    bool ok = true;
    const struct {
        int selector;
        const char* name;
    } effects[] = {{CEffect_Dlg::IDC_ECHO_A, "echoa"},
                   {CEffect_Dlg::IDC_ECHO_B, "echob"},
                   {CEffect_Dlg::IDC_REVERB, "reverb"}};
    for (const auto& e : effects) {
        page->Button(e.selector)->click();
        shots::Pause(300);
        QString file = path;
        file.replace(QStringLiteral("effect-"), QStringLiteral("effect-%1-").arg(QString::fromUtf8(e.name)));
        ok = demo.Save(file) && ok;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    return shots::ShotMain(argc, argv, "effect", Shoot);
}
