// The filter bank on the working image: what ResetModel binds and what each section operation reloads.
#include "dsp/FilterBank.h"
#include "model/Sections.h"

#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <vector>

namespace kel {
namespace {

struct Channel {
    int channel;
    int block;
};

std::vector<Channel> AllChannels() {
    std::vector<Channel> all;
    for (int c = 0; c < kEqChannelCount; ++c) {
        const bool output = c >= EQ_OUTPUT_FIRST && c <= EQ_OUTPUT_LAST;
        for (int b = 0; b < (output ? kOutputModes : 1); ++b) {
            all.push_back({c, b});
        }
    }
    return all;
}

class FilterBankTest : public ::testing::Test {
  protected:
    void SetUp() override {
        InstallFilterBank();
        ResetModel();
    }
    ProgramImage& img = TheModel().image;
};

struct Binding {
    Channel at;
    EqBand* bands;
    int count;
    FilterRecord* hpf;
    FilterRecord* lpf;
};

TEST_F(FilterBankTest, ResetModelBindsEveryCollectionToItsRecords) {
    std::vector<Binding> expected = {
        {{0, 0}, img.musicL.eq, 15, &img.musicL.hpf, &img.musicL.lpf},
        {{1, 0}, img.musicR.eq, 15, &img.musicR.hpf, &img.musicR.lpf},
        {{2, 0}, img.mic1.eq, 20, &img.mic1.hpf, &img.mic1.lpf},
        {{3, 0}, img.mic2.eq, 20, &img.mic2.hpf, &img.mic2.lpf},
        {{4, 0}, img.echoA.eq, 7, &img.echoA.hpf, &img.echoA.lpf},
        {{5, 0}, img.echoB.eq, 7, &img.echoB.hpf, &img.echoB.lpf},
        {{6, 0}, img.reverb.eq, 7, &img.reverb.hpf, &img.reverb.lpf},
        {{7, 0}, img.auxReverb.eq, 7, &img.auxReverb.hpf, &img.auxReverb.lpf},
    };
    for (int b = 0; b < kOutputModes; ++b) {
        for (int r = 0; r < kOutputRecords; ++r) {
            OutputChannel& ch = img.out[b].ch[r];
            expected.push_back({{EQ_OUTPUT_FIRST + r, b}, ch.eq, 10, &ch.hpf, &ch.lpf});
        }
    }
    int filters = 0;
    for (const Binding& e : expected) {
        const CKTVEQ& eq = Collection(e.at.channel, e.at.block);
        ASSERT_EQ(eq.GetSize(), e.count + 2) << e.at.channel << "/" << e.at.block;
        for (int i = 0; i < e.count; ++i) {
            EXPECT_EQ(eq.At(i).BandRecord(), e.bands + i);
        }
        EXPECT_EQ(eq.GetHighPass()->CrossoverRecord(), e.hpf);
        EXPECT_EQ(eq.GetLowPass()->CrossoverRecord(), e.lpf);
        filters += eq.GetSize();
    }
    for (MusicBlock* m : {&img.musicL, &img.musicR}) {
        const CKTVEQ& eq = Collection(m == &img.musicL ? EQ_DEQ_L : EQ_DEQ_R, 0);
        ASSERT_EQ(eq.GetSize(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(eq.At(i).BandRecord(), &m->deq[i].band);
            EXPECT_TRUE(eq.At(i).RestrictedGain());
        }
        filters += 3;
    }
    EXPECT_EQ(expected.size() + 2, static_cast<std::size_t>(FilterBank::kCollectionCount));
    EXPECT_EQ(filters, 408);

    // A second ResetModel rebuilds the filters and keeps the plot the graph gave them.
    Collection(EQ_MUSIC_L, 0).SetPlotRect({35, 10, 635, 370});
    ResetModel();
    EXPECT_EQ(Collection(EQ_MUSIC_L, 0).At(16).PlotWidth(), 600);
}

TEST_F(FilterBankTest, ActiveCollectionFollowsTheOutputMode) {
    struct Case {
        u8 mode;
        int block;
    };
    for (const Case c : {Case{0, 0}, Case{1, 0}, Case{2, 1}, Case{3, 2}, Case{9, 0}}) {
        img.outputMode = c.mode;
        EXPECT_EQ(&ActiveCollection(12), &Collection(12, c.block)) << int(c.mode);
    }
    EXPECT_EQ(&ActiveCollection(EQ_ECHO_B), &Collection(EQ_ECHO_B, 0));
    EXPECT_EQ(TheFilterBank().Find(18, 0), nullptr);
    EXPECT_EQ(TheFilterBank().Find(8, 3), nullptr);
}

// Writes every band and crossover of the image behind the filters' backs, so that a filter shows
// whether it was re-attached: a reloaded band turns peaking, a reloaded crossover gets slope 3.
void Scribble(ProgramImage& img) {
    auto bands = [](std::span<EqBand> eq) {
        for (EqBand& b : eq) {
            b.type = BAND_P;
            b.gain = 150;
        }
    };
    auto crossovers = [](std::initializer_list<FilterRecord*> records) {
        for (FilterRecord* r : records) {
            r->slope = 3;
        }
    };
    for (MusicBlock* m : {&img.musicL, &img.musicR}) {
        bands(m->eq);
        bands(m->eq2);
        for (DynamicEqBand& d : m->deq) {
            bands({&d.band, 1});
        }
        crossovers({&m->hpf, &m->lpf, &m->mainHpf});
    }
    for (MicBlock* m : {&img.mic1, &img.mic2}) {
        bands(m->eq);
        bands(m->eq2);
        crossovers({&m->hpf, &m->lpf});
    }
    for (EchoBlock* e : {&img.echoA, &img.echoB}) {
        bands(e->eq);
        crossovers({&e->hpf, &e->lpf});
    }
    for (ReverbBlock* r : {&img.reverb, &img.auxReverb}) {
        bands(r->eq);
        crossovers({&r->hpf, &r->lpf});
    }
    for (OutputBlock& block : img.out) {
        for (OutputChannel& ch : block.ch) {
            bands(ch.eq);
            crossovers({&ch.hpf, &ch.lpf});
        }
    }
}

enum Part { Bands, Everything };

struct Reloaded {
    int channel;
    int block;
    Part part;
};

struct OpCase {
    const char* what;
    std::function<void(ProgramImage&)> op;
    std::vector<Reloaded> expected;
};

TEST_F(FilterBankTest, SectionOperationsReloadExactlyTheirFilters) {
    std::vector<Reloaded> everything;
    for (const Channel& c : AllChannels()) {
        everything.push_back({c.channel, c.block, Everything});
    }
    const OpCase cases[] = {
        {"SyncMusic(true)",
         [](ProgramImage&) { SyncMusic(true); },
         {{1, 0, Everything}, {16, 0, Bands}, {17, 0, Bands}}},
        {"SyncMusic(false)", [](ProgramImage&) { SyncMusic(false); }, {}},
        {"SyncMic(true)", [](ProgramImage&) { SyncMic(true); }, {{3, 0, Everything}}},
        {"SyncMic(false)", [](ProgramImage&) { SyncMic(false); }, {}},
        {"LinkOutputPair(Main)",
         [](ProgramImage&) { LinkOutputPair(OutputPair::Main); },
         {{9, 0, Everything}, {9, 1, Everything}, {9, 2, Everything}}},
        {"LinkOutputPair(Rear)",
         [](ProgramImage&) { LinkOutputPair(OutputPair::Rear); },
         {{13, 0, Everything}, {13, 1, Everything}, {13, 2, Everything}}},
        {"LinkOutputPair(Surround)",
         [](ProgramImage&) { LinkOutputPair(OutputPair::Surround); },
         {{15, 0, Everything}, {15, 1, Everything}, {15, 2, Everything}}},
        {"ResetEq(0)", [](ProgramImage&) { ResetEq(0); }, {{0, 0, Bands}}},
        {"ResetEq(3)", [](ProgramImage&) { ResetEq(3); }, {{3, 0, Bands}}},
        {"ResetEq(5)", [](ProgramImage&) { ResetEq(5); }, {{5, 0, Bands}}},
        {"ResetEq(6)", [](ProgramImage&) { ResetEq(6); }, {{6, 0, Bands}}},
        {"ResetEq(7)", [](ProgramImage&) { ResetEq(7); }, {}},
        {"ResetEq(10) in Disco",
         [](ProgramImage& img) {
             img.outputMode = 2;
             ResetEq(10);
         },
         {{10, 1, Bands}}},
        {"ResetEq(15) in Auto",
         [](ProgramImage& img) {
             img.outputMode = 0;
             ResetEq(15);
         },
         {{15, 0, Bands}}},
        {"ResetEq(17)", [](ProgramImage&) { ResetEq(17); }, {{17, 0, Bands}}},
        {"CommitShadow(true)", [](ProgramImage&) { CommitShadow(true); }, {}},
        {"CommitShadow(false)", [](ProgramImage&) { CommitShadow(false); }, everything},
    };

    for (const OpCase& c : cases) {
        ResetModel();
        Scribble(img);
        c.op(img);
        for (const Channel& ch : AllChannels()) {
            Part part = Bands;
            bool listed = false;
            for (const Reloaded& r : c.expected) {
                if (r.channel == ch.channel && r.block == ch.block) {
                    listed = true;
                    part = r.part;
                }
            }
            const CKTVEQ& eq = Collection(ch.channel, ch.block);
            for (int i = 0; i < eq.GetSize(); ++i) {
                const CFilter& f = eq.At(i);
                const bool band = i < eq.BandCount();
                const bool reloaded = band ? f.Type() == FT_PEAKING : f.SlopeIndex() == 3;
                const bool want = listed && (band || part == Everything);
                EXPECT_EQ(reloaded, want)
                    << c.what << ": channel " << ch.channel << " block " << ch.block << " element " << i;
            }
        }
    }
}

TEST_F(FilterBankTest, CurvesFollowAProgramLoadedWholesale) {
    img.musicL.eq[8].type = BAND_P;
    img.musicL.eq[8].freq = 204;
    img.musicL.eq[8].gain = 150;
    img.out[2].ch[3].lpf.slope = 9;
    img.out[2].ch[3].lpf.freq = 204;
    CommitShadow(false);
    const int k1000 = 204 + kFreqTableOffset;
    EXPECT_NEAR(Collection(EQ_MUSIC_L, 0).SumDb()[k1000], 6.0, 1e-9);
    EXPECT_NEAR(Collection(11, 2).SumDb()[k1000], -5.95, 0.01);
    EXPECT_NEAR(Collection(11, 0).SumDb()[k1000], 0.0, 1e-12);
}

} // namespace
} // namespace kel
