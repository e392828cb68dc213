// Defaults, shadow commits, left/right links and EQ reset of the program image.
#include "model/Sections.h"

#include "model/DataConver.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <span>
#include <system_error>

namespace kel {

namespace {

void ReloadChannel(int channel, int block, bool crossovers) {
    if (FilterSeam* seam = GetFilterSeam()) {
        seam->ReloadChannel(channel, block, crossovers);
    }
}

void ReloadBand(int channel, int block, int band) {
    if (FilterSeam* seam = GetFilterSeam()) {
        seam->ReloadBand(channel, block, band);
    }
}

void DefaultBand(EqBand& b, double hz, u8 type) {
    b.freq = static_cast<std::uint16_t>(FreqToIndex(hz));
    b.gain = kGainIndexZero;
    b.q = kDefaultQIndex;
    b.type = type;
}

template <std::size_t N>
void DefaultBands(std::span<EqBand> bands, const std::array<double, N>& hz, u8 type) {
    for (std::size_t i = 0; i < N; ++i) {
        DefaultBand(bands[i], hz[i], type);
    }
}

void DefaultCrossovers(FilterRecord& hpf, FilterRecord& lpf) {
    hpf = {FILTER_HIGHPASS, {}, 0};
    hpf.freq = 0;
    lpf = {FILTER_LOWPASS, {}, 0};
    lpf.freq = kFreqIndexMax;
}

void DefaultExciters(ExciterRecord& low, ExciterRecord& high) {
    low = {};
    low.freq = kFreqIndexMax;
    high = {};
    high.freq = 0;
}

void DefaultMusic(MusicBlock& m) {
    DefaultBands(m.eq, kMusicBandHz, BAND_BY);
    for (EqBand& b : m.eq2) {
        DefaultBand(b, kSecondEqHz, BAND_BY);
    }
    DefaultCrossovers(m.hpf, m.lpf);
    m.mainHpf = {FILTER_HIGHPASS, {}, 1};
    m.mainHpf.freq = 0;
    for (std::size_t i = 0; i < kDynamicBandHz.size(); ++i) {
        m.deq[i] = {};
        DefaultBand(m.deq[i].band, kDynamicBandHz[i], BAND_BY);
        m.deq[i].enable = 1;
    }
    DefaultExciters(m.lowExciter, m.highExciter);
}

void DefaultMic(MicBlock& m) {
    DefaultBands(m.eq, kMicBandHz, BAND_BY);
    for (EqBand& b : m.eq2) {
        DefaultBand(b, kSecondEqHz, BAND_BY);
    }
    DefaultCrossovers(m.hpf, m.lpf);
    DefaultExciters(m.lowExciter, m.highExciter);
}

template <typename Block>
void DefaultEffect(Block& e) {
    DefaultBands(e.eq, kEffectBandHz, BAND_BY);
    DefaultCrossovers(e.hpf, e.lpf);
}

void DefaultOutputs(ProgramImage& img) {
    OutputBlock& sing = img.out[0];
    OutputChannel& first = sing.ch[0];
    DefaultBands(first.eq, kOutputBandHz, BAND_BY);
    DefaultCrossovers(first.hpf, first.lpf);
    for (int r = 1; r < kOutputRecords; ++r) {
        sing.ch[r] = first;
    }
    img.out[1] = sing;
    img.out[2] = sing;
}

// Copy the left record of a pair over the right one, keeping the right one's Mute and delay.
void CopyOutputPair(OutputBlock& block, int left) {
    OutputChannel& right = block.ch[left + 1];
    const u8 mute = right.mute;
    const Le16 delay = right.delay;
    right = block.ch[left];
    right.mute = mute;
    right.delay = delay;
}

constexpr std::array<OutputPair, 3> kLinkPairs = {OutputPair::Main, OutputPair::Rear, OutputPair::Surround};
// OutputLink byte of each pair (2707, 2709, 2710).
constexpr int LinkByte(OutputPair p) { return p == OutputPair::Main ? 0 : p == OutputPair::Rear ? 2 : 3; }

} // namespace

void ResetSystemBlock(SystemBlock& s) {
    s = SystemBlock{};
    s.effectMax = 70;
    s.micMax = 84;
    s.musicMax = 84;
    s.keySen = 0xE0;
    std::copy(kDefaultPanelPassword.begin(), kDefaultPanelPassword.end(), s.panelPassword);
    std::copy(kDefaultSystemPassword.begin(), kDefaultSystemPassword.end(), s.systemPassword);
}

void SetDialogPaths(const std::string& workingFolder) {
    DialogPaths& p = TheModel().paths;
    p.workingFolder = workingFolder;
    p.openProgram = p.saveProgram = workingFolder + "/MusicFile/*.dia";
    p.openAll = p.saveAll = workingFolder + "/MusicFile/*.dat";
}

void CreateModeFolder() {
    std::error_code ec; // a folder that cannot be made changes nothing else
    std::filesystem::create_directory(std::filesystem::path(TheModel().paths.workingFolder) / "Mode", ec);
}

void FillDefaultProgram(ProgramImage& img) {
    img = ProgramImage{};
    DefaultMusic(img.musicL);
    img.musicR = img.musicL;
    DefaultMic(img.mic1);
    img.mic2 = img.mic1;
    DefaultEffect(img.echoA);
    img.echoB = img.echoA;
    DefaultEffect(img.reverb);
    img.auxReverb = img.reverb;
    DefaultOutputs(img);
    img.musicSync = 0;
    img.micSync = 0;
    img.outputMode = 1;
}

void ResetModel() {
    Model& m = TheModel();
    ProgramImage& img = m.image;
    img = ProgramImage{};
    m.shadow = ProgramImage{};
    m.presets = PresetStore{};
    m.settings = GlobalSettings{};
    m.settings.meters.levels.fill(200);
    m.settings.meters.signals.fill(100);
    m.connection = ConnectionState{};
    m.passwordEntry.fill(0);
    m.modeSelector = ModeSelector(img.outputMode);

    FillDefaultProgram(img);
    // The right-hand sections were filled as copies of the left ones; so is their shadow.
    m.shadow.musicR = img.musicR;
    m.shadow.mic2 = img.mic2;
    m.modeSelector.Set(1);

    ResetSystemBlock(m.system);
    m.shadowSystem = SystemBlock{};
    m.frames.ResetAll();

    std::error_code ec;
    const auto cwd = std::filesystem::current_path(ec);
    SetDialogPaths(ec ? std::string(".") : cwd.string());

    if (FilterSeam* seam = GetFilterSeam()) {
        seam->BuildAll();
    }
}

void CommitShadow(bool withSystem) {
    Model& m = TheModel();
    m.shadow = m.image;
    if (withSystem) {
        m.shadowSystem = m.system;
        return;
    }
    if (FilterSeam* seam = GetFilterSeam()) {
        seam->ReloadAll();
    }
}

void CommitShadowImage() {
    Model& m = TheModel();
    m.shadow = m.image;
}

void ReloadFilters() {
    if (FilterSeam* seam = GetFilterSeam()) {
        // A transport thread may be writing the next received program into the image.
        ImageLockGuard lock(ImageLock());
        seam->ReloadAll();
    }
}

void SyncMusic(bool reloadFilters) {
    Model& m = TheModel();
    m.image.musicR = m.image.musicL;
    m.shadow.musicR = m.image.musicR;
    if (reloadFilters) {
        ReloadChannel(EQ_MUSIC_R, 0, true);
        ReloadChannel(EQ_DEQ_L, 0, false);
        ReloadChannel(EQ_DEQ_R, 0, false);
    }
}

void SyncMic(bool reloadFilters) {
    Model& m = TheModel();
    m.image.mic2 = m.image.mic1;
    m.shadow.mic2 = m.image.mic2;
    if (reloadFilters) {
        ReloadChannel(EQ_MIC2, 0, true);
    }
}

void LinkOutputPair(OutputPair pair) {
    Model& m = TheModel();
    const int left = static_cast<int>(pair);
    for (int b = 0; b < kOutputModes; ++b) {
        CopyOutputPair(m.image.out[b], left);
        m.shadow.out[b].ch[left + 1] = m.image.out[b].ch[left + 1];
        ReloadChannel(EQ_OUTPUT_FIRST + left + 1, b, true);
    }
}

void ApplyLinks() {
    Model& m = TheModel();
    if (m.image.micSync == 1) {
        SyncMic(true);
    }
    if (m.image.musicSync == 1) {
        SyncMusic(true);
    }
    for (OutputPair p : kLinkPairs) {
        if (m.image.outputLink[LinkByte(p)] == 1) {
            LinkOutputPair(p);
        }
    }
}

void ApplyLinksInProgram(ProgramImage& program) {
    if (program.micSync == 1) {
        program.mic2 = program.mic1;
    }
    if (program.musicSync == 1) {
        program.musicR = program.musicL;
    }
    for (OutputPair p : kLinkPairs) {
        if (program.outputLink[LinkByte(p)] == 1) {
            for (OutputBlock& block : program.out) {
                CopyOutputPair(block, static_cast<int>(p));
            }
        }
    }
}

void ResetEq(int channel) {
    Model& m = TheModel();
    ProgramImage& img = m.image;
    int block = 0;
    auto reset = [&](std::span<EqBand> bands, std::span<const double> hz) {
        for (std::size_t i = 0; i < bands.size(); ++i) {
            DefaultBand(bands[i], hz[i], BAND_P);
            ReloadBand(channel, block, static_cast<int>(i));
        }
    };
    switch (channel) {
    case EQ_MUSIC_L:
    case EQ_MUSIC_R:
        reset((channel == EQ_MUSIC_L ? img.musicL : img.musicR).eq, kMusicBandHz);
        break;
    case EQ_MIC1:
    case EQ_MIC2:
        reset((channel == EQ_MIC1 ? img.mic1 : img.mic2).eq, kMicBandHz);
        break;
    case EQ_ECHO_A:
        reset(img.echoA.eq, kEffectBandHz);
        break;
    case EQ_ECHO_B:
        reset(img.echoB.eq, kEffectBandHz);
        break;
    case EQ_REVERB:
        reset(img.reverb.eq, kEffectBandHz);
        break;
    case EQ_DEQ_L:
    case EQ_DEQ_R: {
        MusicBlock& music = channel == EQ_DEQ_L ? img.musicL : img.musicR;
        for (std::size_t i = 0; i < kDynamicBandHz.size(); ++i) {
            DefaultBand(music.deq[i].band, kDynamicBandHz[i], BAND_P); // bytes 5..9 keep their values
            ReloadBand(channel, 0, static_cast<int>(i));
        }
        break;
    }
    default:
        if (channel >= EQ_OUTPUT_FIRST && channel <= EQ_OUTPUT_LAST) {
            block = m.modeSelector.Block();
            reset(img.out[block].ch[channel - EQ_OUTPUT_FIRST].eq, kOutputBandHz);
        }
        break; // channel 7 (auxiliary reverb) resets nothing
    }
}

} // namespace kel
