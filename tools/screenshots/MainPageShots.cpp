// Grabs the main output page of `kelvane --demo` after the initial read, with the Sing block set up as
// an installer would (mains cut below 80 Hz, the SUB crossed over at 100 Hz, rear and surround delayed,
// Rear linked): the five tabs in English, and Main in Chinese.
// usage: kelvane-main-shots OUTPUT-DIR   (under xvfb-run)
#include "ShotKit.h"
#include "controls/CFStatic.h"
#include "controls/MessageEvent.h"
#include "dsp/FilterBank.h"
#include "model/Sections.h"
#include "pages/MainDlg.h"

using namespace kel;

namespace {

void SetUpLikeAnInstaller() {
    Model& m = TheModel();
    OutputBlock& sing = m.image.out[0];
    const struct {
        int record, band, type, gain, q;
    } bands[] = {
        {OUT_MAIN_L, 3, BAND_P, 110, 20}, {OUT_MAIN_L, 7, BAND_P, 128, 12}, {OUT_MAIN_L, 9, BAND_HS, 126, 10},
        {OUT_CENTER, 6, BAND_P, 130, 16}, {OUT_SUB, 2, BAND_P, 132, 14},    {OUT_REAR_L, 8, BAND_P, 114, 24},
        {OUT_SURR_L, 5, BAND_P, 112, 18},
    };
    for (const auto& b : bands) {
        CKTVEQ& c = Collection(EQ_OUTPUT_FIRST + b.record, 0);
        c.At(b.band).SetType(b.type);
        c.At(b.band).SetGainIndex(b.gain);
        c.At(b.band).SetQIndex(b.q);
    }
    for (int r : {OUT_MAIN_L, OUT_CENTER, OUT_REAR_L, OUT_SURR_L}) {
        CKTVEQ& c = Collection(EQ_OUTPUT_FIRST + r, 0);
        c.GetHighPass()->SetSlope(9);
        c.GetHighPass()->SetCrossoverFrequencyIndex(FreqToIndex(80));
    }
    CKTVEQ& sub = Collection(int(EQ_OUTPUT_FIRST) + int(OUT_SUB), 0);
    sub.GetLowPass()->SetSlope(9);
    sub.GetLowPass()->SetCrossoverFrequencyIndex(FreqToIndex(100));
    for (int r = 0; r < kOutputRecords; ++r) {
        OutputChannel& c = sing.ch[r];
        c.mix[0].level = 100;
        c.mix[1].level = static_cast<u8>(r == OUT_SUB ? 40 : 120);
        c.mix[2].level = 80;
        c.mix[3].level = 80;
        c.mix[4].level = 90;
        for (MixLevel& k : c.mix) {
            k.on = 1;
        }
        c.limiter = {28, 6, 3, 12};
    }
    sing.ch[OUT_SUB].mix[2].on = 0;
    sing.ch[OUT_SUB].mix[3].on = 0;
    sing.ch[OUT_REAR_L].delay.set(125);
    sing.ch[OUT_SURR_L].delay.set(184);
    sing.ch[OUT_SURR_R].delay.set(192);
    sing.ch[OUT_CENTER].delay.set(38);
    m.image.outputLink[2] = 1; // Rear linked
    LinkOutputPair(OutputPair::Rear);
}

bool Shoot(shots::DemoWindow& demo, int tab, int band, const QString& path) {
    CTarnDlg& window = *demo.window;
    window.ShowPage(tab);
    auto* page = static_cast<CMainDlg*>(window.Page(PageId::Main));
    QCoreApplication::postEvent(page, new CMessageEvent(MSG_GRAPH_BAND_EDITED, page->EditedChannel(), band));
    shots::Pause(300);
    page->Graph()->Redraw(band);
    shots::Pause(300);
    return demo.Save(path);
}

bool ShootAll(const QDir& out, LanguageSetting language) {
    shots::DemoWindow demo(language);
    if (!demo.WaitOnline(15000)) {
        return false;
    }
    TheModel().settings.operatingMode = 1; // Full Mode: every control enabled
    SetUpLikeAnInstaller();
    if (language == LanguageSetting::Chinese) {
        return Shoot(demo, 4, 3, out.filePath("main-zh.png"));
    }
    const struct {
        int tab, band;
        const char* name;
    } tabs[] = {{4, 3, "main"}, {5, 6, "center"}, {6, 11, "sub"}, {7, 8, "rear"}, {8, 5, "surround"}};
    bool ok = true;
    for (const auto& t : tabs) {
        ok = Shoot(demo, t.tab, t.band, out.filePath(QStringLiteral("%1-en.png").arg(t.name))) && ok;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    InstallSkinLook(app);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-DIR\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const bool en = ShootAll(out, LanguageSetting::English);
    const bool zh = ShootAll(out, LanguageSetting::Chinese);
    return en && zh ? 0 : 1;
}
