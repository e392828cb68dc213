// Start-up defaults and the whole-section operations of the model.
#include "model/Sections.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

namespace kel {
namespace {

template <typename T>
bool SameBytes(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

bool AllZero(const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    return std::all_of(b, b + n, [](std::uint8_t v) { return v == 0; });
}

// Expected default frequency indices, worked out from the frequency table by hand.
const std::vector<int> kMusicIdx = {2, 25, 49, 73, 96, 120, 144, 167, 187, 215, 238, 262, 287, 309, 333};
const std::vector<int> kMicIdx = {2,   25,  49,  73,  96,  120, 144, 167, 187, 215,
                                  238, 262, 287, 299, 313, 323, 333, 343, 353, 360};
const std::vector<int> kEffectIdx = {2, 50, 100, 150, 200, 250, 300};
const std::vector<int> kOutputIdx = {2, 32, 62, 92, 122, 152, 182, 212, 242, 272};
const std::vector<int> kDynamicIdx = {20, 129, 279};

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override { ResetModel(); }
    Model& m = TheModel();
};

template <std::size_t N>
void ExpectBands(const EqBand (&bands)[N], const std::vector<int>& idx, int type, const char* what) {
    ASSERT_EQ(N, idx.size()) << what;
    for (std::size_t i = 0; i < N; ++i) {
        EXPECT_EQ(bands[i].freq.get(), idx[i]) << what << " band " << i;
        EXPECT_EQ(bands[i].gain, 120) << what << " band " << i;
        EXPECT_EQ(bands[i].q, 10) << what << " band " << i;
        EXPECT_EQ(bands[i].type, type) << what << " band " << i;
    }
}

void ExpectCrossovers(const FilterRecord& hpf, const FilterRecord& lpf) {
    EXPECT_EQ(hpf.kind, 0);
    EXPECT_EQ(hpf.freq.get(), 0);
    EXPECT_EQ(hpf.slope, 0);
    EXPECT_EQ(lpf.kind, 1);
    EXPECT_EQ(lpf.freq.get(), 361);
    EXPECT_EQ(lpf.slope, 0);
}

TEST_F(ModelTest, DefaultsOfTheProgramImage) {
    const ProgramImage& img = m.image;
    ExpectBands(img.musicL.eq, kMusicIdx, BAND_BY, "music");
    ExpectBands(img.mic1.eq, kMicIdx, BAND_BY, "mic");
    ExpectBands(img.musicL.eq2, std::vector<int>(5, 204), BAND_BY, "music second");
    ExpectBands(img.mic1.eq2, std::vector<int>(5, 204), BAND_BY, "mic second");
    ExpectBands(img.echoA.eq, kEffectIdx, BAND_BY, "echo");
    ExpectBands(img.reverb.eq, kEffectIdx, BAND_BY, "reverb");
    ExpectBands(img.out[0].ch[0].eq, kOutputIdx, BAND_BY, "output");
    for (int i = 0; i < 3; ++i) {
        const DynamicEqBand& d = img.musicL.deq[i];
        EXPECT_EQ(d.band.freq.get(), kDynamicIdx[i]);
        EXPECT_EQ(d.band.gain, 120);
        EXPECT_EQ(d.band.q, 10);
        EXPECT_EQ(d.band.type, 0);
        EXPECT_EQ(d.limitLevel + d.attack + d.release + d.ratio, 0);
        EXPECT_EQ(d.enable, 1);
    }
    ExpectCrossovers(img.musicL.hpf, img.musicL.lpf);
    ExpectCrossovers(img.mic1.hpf, img.mic1.lpf);
    ExpectCrossovers(img.echoA.hpf, img.echoA.lpf);
    ExpectCrossovers(img.reverb.hpf, img.reverb.lpf);
    ExpectCrossovers(img.out[0].ch[0].hpf, img.out[0].ch[0].lpf);
    EXPECT_EQ(img.musicL.mainHpf.kind, 0);
    EXPECT_EQ(img.musicL.mainHpf.freq.get(), 0);
    EXPECT_EQ(img.musicL.mainHpf.slope, 1);
    for (const ExciterRecord* low : {&img.musicL.lowExciter, &img.mic1.lowExciter}) {
        EXPECT_EQ(low->freq.get(), 361);
        EXPECT_EQ(low->harmonic + low->timbre, 0);
    }
    for (const ExciterRecord* high : {&img.musicL.highExciter, &img.mic1.highExciter}) {
        EXPECT_EQ(high->freq.get(), 0);
        EXPECT_EQ(high->harmonic + high->timbre, 0);
    }
    EXPECT_EQ(img.outputMode, 1);
    EXPECT_EQ(img.musicSync, 0);
    EXPECT_EQ(img.micSync, 0);
    EXPECT_TRUE(AllZero(img.name, sizeof img.name));
    EXPECT_TRUE(AllZero(img.outputLink, sizeof img.outputLink));
    EXPECT_EQ(img.programSum, 0);
    EXPECT_EQ(m.modeSelector.Get(), 1);
}

TEST_F(ModelTest, DefaultsOfTheSystemBlockAndSettings) {
    const SystemBlock& s = m.system;
    EXPECT_EQ(s.currentSlot, 0);
    EXPECT_EQ(s.effectVolume + s.micVolume + s.musicVolume, 0);
    EXPECT_EQ(s.effectMax, 70);
    EXPECT_EQ(s.micMax, 84);
    EXPECT_EQ(s.musicMax, 84);
    EXPECT_EQ(s.keySen, 0xE0);
    EXPECT_EQ(s.rearMicPhantom + s.musicInput + s.vodGain + s.bgmGain + s.coaxGain + s.optiGain + s.irControl, 0);
    for (std::uint8_t b : s.panelPassword) {
        EXPECT_LE(b, 9); // digit values, not characters
    }
    for (std::uint8_t b : s.systemPassword) {
        EXPECT_LE(b, 9);
    }
    EXPECT_TRUE(AllZero(s.reserved, sizeof s.reserved));
    EXPECT_TRUE(AllZero(&m.shadowSystem, sizeof m.shadowSystem));

    const GlobalSettings& g = m.settings;
    EXPECT_EQ(g.transportType, TRANSPORT_NONE);
    EXPECT_EQ(g.perSlotSystem, 1);
    EXPECT_EQ(g.slotSystemCapability, 0);
    EXPECT_EQ(g.storePermission, 0);
    EXPECT_EQ(g.presetsLoaded, 0);
    EXPECT_EQ(g.languageFlag, 0);
    EXPECT_EQ(g.operatingMode, 0);
    EXPECT_EQ(g.currentPage, 8);
    EXPECT_EQ(g.meters.ready, 1);
    EXPECT_EQ(g.meters.toggle, 0);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(g.meters.levels[i], 200);
        EXPECT_EQ(g.meters.signals[i], 100);
    }
    EXPECT_EQ(g.view.musicChannel, 0);
    EXPECT_EQ(g.view.micChannel, 2);
    EXPECT_EQ(g.view.effect, 4);
    EXPECT_EQ(g.view.deqChannel, 16);
    EXPECT_EQ(g.view.outputChannel, (std::array<int, 3>{8, 12, 14}));
    EXPECT_EQ(m.frames.serialTx.frame[0], 0xFF);
    EXPECT_EQ(m.frames.netRx.frame[1], 0x55);
}

TEST_F(ModelTest, EqualitiesAndShadowAfterReset) {
    const ProgramImage& img = m.image;
    EXPECT_TRUE(SameBytes(img.musicR, img.musicL));
    EXPECT_TRUE(SameBytes(img.mic2, img.mic1));
    EXPECT_TRUE(SameBytes(img.echoB, img.echoA));
    EXPECT_TRUE(SameBytes(img.auxReverb, img.reverb));
    for (int b = 0; b < 3; ++b) {
        for (int r = 0; r < 8; ++r) {
            EXPECT_TRUE(SameBytes(img.out[b].ch[r], img.out[0].ch[0])) << b << "/" << r;
        }
    }
    // The shadow starts zero-filled; only the synced right-hand sections were copied into it.
    EXPECT_TRUE(SameBytes(m.shadow.musicR, img.musicR));
    EXPECT_TRUE(SameBytes(m.shadow.mic2, img.mic2));
    EXPECT_TRUE(AllZero(&m.shadow.musicL, sizeof m.shadow.musicL));
    EXPECT_TRUE(AllZero(&m.shadow.mic1, sizeof m.shadow.mic1));
    EXPECT_TRUE(AllZero(m.shadow.out, sizeof m.shadow.out));
    EXPECT_EQ(m.shadow.outputMode, 0);

    CommitShadow(true);
    EXPECT_TRUE(SameBytes(m.shadow, img));
    EXPECT_TRUE(SameBytes(m.shadowSystem, m.system));
}

TEST_F(ModelTest, ResetFillsTheDialogPathsAndWritesNothing) {
    EXPECT_FALSE(std::filesystem::exists("Mode"));
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(m.paths.openProgram, cwd + "/MusicFile/*.dia");
    EXPECT_EQ(m.paths.saveProgram, cwd + "/MusicFile/*.dia");
    EXPECT_EQ(m.paths.openAll, cwd + "/MusicFile/*.dat");
    EXPECT_EQ(m.paths.saveAll, cwd + "/MusicFile/*.dat");
    EXPECT_FALSE(std::filesystem::exists("MusicFile"));

    CreateModeFolder(); // the window's start-up
    EXPECT_TRUE(std::filesystem::is_directory("Mode"));
    CreateModeFolder(); // already there: nothing changes
    EXPECT_TRUE(std::filesystem::is_directory("Mode"));
    std::filesystem::remove("Mode");
}

TEST_F(ModelTest, ModeSelector) {
    ModeSelector& sel = m.modeSelector;
    sel.Set(2);
    sel.Set(0);
    EXPECT_EQ(m.image.outputMode, 0);
    EXPECT_EQ(sel.Get(), 2);
    EXPECT_EQ(&m.ActiveOutputBlock(), &m.image.out[1]);
    sel.Set(5);
    EXPECT_EQ(m.image.outputMode, 0);
    EXPECT_EQ(sel.Get(), 2);
    m.image.outputMode = 3; // the main output page writes the byte directly
    EXPECT_EQ(sel.Get(), 3);
    ResetModel();
    EXPECT_EQ(m.modeSelector.Get(), 1);
    m.image.outputMode = 0; // "Auto" edits the Sing block
    EXPECT_EQ(&m.ActiveOutputBlock(), &m.image.out[0]);
}

TEST_F(ModelTest, LinkOutputPairKeepsMuteAndDelayOfTheRightRecord) {
    for (int b = 0; b < 3; ++b) {
        OutputChannel& left = m.image.out[b].ch[OUT_REAR_L];
        OutputChannel& right = m.image.out[b].ch[OUT_REAR_R];
        left.mix[0].level = static_cast<u8>(50 + b);
        left.eq[3].gain = 130;
        left.lpf.slope = 9;
        left.mute = 0;
        left.delay = 100;
        right.mute = 1;
        right.delay = static_cast<std::uint16_t>(1200 + b);
    }
    const OutputChannel centreBefore = m.image.out[0].ch[OUT_CENTER];
    LinkOutputPair(OutputPair::Rear);
    for (int b = 0; b < 3; ++b) {
        const OutputChannel& left = m.image.out[b].ch[OUT_REAR_L];
        const OutputChannel& right = m.image.out[b].ch[OUT_REAR_R];
        EXPECT_EQ(right.mute, 1);
        EXPECT_EQ(right.delay.get(), 1200 + b);
        OutputChannel expected = left;
        expected.mute = 1;
        expected.delay = static_cast<std::uint16_t>(1200 + b);
        EXPECT_TRUE(SameBytes(right, expected)) << b;
        EXPECT_TRUE(SameBytes(m.shadow.out[b].ch[OUT_REAR_R], right)) << b;
        EXPECT_TRUE(AllZero(&m.shadow.out[b].ch[OUT_REAR_L], sizeof(OutputChannel))) << b;
    }
    EXPECT_TRUE(SameBytes(m.image.out[0].ch[OUT_CENTER], centreBefore));
}

TEST_F(ModelTest, ApplyLinksCopiesWhatTheFlagsLink) {
    m.image.micSync = 1;
    m.image.mic1.level = 33;
    m.image.musicL.eq[0].gain = 10; // Music is not linked
    m.image.outputLink[0] = 1;
    m.image.out[2].ch[OUT_MAIN_L].mix[4].level = 77;
    m.image.outputLink[1] = 1; // 2708 links nothing
    ApplyLinks();
    EXPECT_EQ(m.image.mic2.level, 33);
    EXPECT_EQ(m.shadow.mic2.level, 33);
    EXPECT_EQ(m.image.musicR.eq[0].gain, 120);
    EXPECT_EQ(m.image.out[2].ch[OUT_MAIN_R].mix[4].level, 77);

    ProgramImage stored = m.image;
    stored.musicSync = 1;
    stored.musicL.gate.threshold = 9;
    stored.outputLink[3] = 1;
    stored.out[1].ch[OUT_SURR_L].eq[0].q = 44;
    stored.out[1].ch[OUT_SURR_R].mute = 1;
    ApplyLinksInProgram(stored);
    EXPECT_EQ(stored.musicR.gate.threshold, 9);
    EXPECT_EQ(stored.out[1].ch[OUT_SURR_R].eq[0].q, 44);
    EXPECT_EQ(stored.out[1].ch[OUT_SURR_R].mute, 1);
}

TEST_F(ModelTest, ResetEqTouchesOnlyTheMainBands) {
    MusicBlock& music = m.image.musicL;
    for (EqBand& b : music.eq) {
        b = {};
        b.freq = 100;
        b.gain = 3;
    }
    music.eq2[0].gain = 7;
    music.hpf.slope = 4;
    music.bypass = 1;
    music.bypass2 = 1;
    const MusicBlock before = music;
    ResetEq(EQ_MUSIC_L);
    ExpectBands(music.eq, kMusicIdx, BAND_P, "reset music");
    EXPECT_TRUE(SameBytes(music.eq2, before.eq2));
    EXPECT_TRUE(SameBytes(music.hpf, before.hpf));
    EXPECT_EQ(music.bypass, 1);
    EXPECT_EQ(music.bypass2, 1);
    EXPECT_EQ(m.image.musicR.eq[0].type, BAND_BY);

    for (DynamicEqBand& d : m.image.musicR.deq) {
        d.band.gain = 170;
        d.limitLevel = 5;
        d.attack = 6;
        d.release = 7;
        d.ratio = 8;
        d.enable = 0;
    }
    ResetEq(EQ_DEQ_R);
    for (int i = 0; i < 3; ++i) {
        const DynamicEqBand& d = m.image.musicR.deq[i];
        EXPECT_EQ(d.band.freq.get(), kDynamicIdx[i]);
        EXPECT_EQ(d.band.gain, 120);
        EXPECT_EQ(d.band.type, BAND_P);
        EXPECT_EQ(d.limitLevel, 5);
        EXPECT_EQ(d.attack, 6);
        EXPECT_EQ(d.release, 7);
        EXPECT_EQ(d.ratio, 8);
        EXPECT_EQ(d.enable, 0);
    }

    // outputs reset in the block the selector picks
    m.image.outputMode = 2;
    m.image.out[1].ch[5].eq[9].gain = 1;
    m.image.out[0].ch[5].eq[9].gain = 1;
    ResetEq(EQ_OUTPUT_FIRST + 5);
    EXPECT_EQ(m.image.out[1].ch[5].eq[9].gain, 120);
    EXPECT_EQ(m.image.out[1].ch[5].eq[9].type, BAND_P);
    EXPECT_EQ(m.image.out[0].ch[5].eq[9].gain, 1);

    const ProgramImage beforeAux = m.image;
    ResetEq(EQ_AUX_REVERB);
    EXPECT_TRUE(SameBytes(m.image, beforeAux));
}

} // namespace
} // namespace kel
