// The range check: one walk over the records, limits from the conversions the controls use.
#include "model/RangeCheck.h"

#include "model/DataConver.h"

#include <cstring>

namespace kel {

namespace {

// The place of a field, built on the stack as the walk goes down and spelled out only for the
// field that fails: the check runs on every byte of a file and costs no allocation when it passes.
struct Place {
    const Place* parent;
    const char* name;
    int index = -1;
    bool numbered = false; // "slot 3" rather than "slot[3]": slots are counted from 1
};

std::string Spell(const Place& p) {
    std::string text = p.parent ? Spell(*p.parent) : std::string();
    if (*p.name) {
        text += text.empty() ? "" : ".";
        text += p.name;
    }
    if (p.index >= 0) {
        text += p.numbered ? " " + std::to_string(p.index) : "[" + std::to_string(p.index) + "]";
    }
    return text;
}

int Max(Conv c) { return ConversionOf(c).max; }

class Walk {
  public:
    bool Failed() const { return m_first.has_value(); }
    std::optional<std::string> Result() { return std::move(m_first); }

    void Field(const Place& at, const char* name, int value, int min, int max) {
        if (m_first || (value >= min && value <= max)) {
            return;
        }
        m_first = Spell({&at, name}) + " is " + std::to_string(value) + ", outside " + std::to_string(min) +
                  ".." + std::to_string(max);
    }
    void Switch(const Place& at, const char* name, int value) { Field(at, name, value, 0, 1); }

    // Also a dynamic band's gain may take the whole stored range: only its page stops at 60.
    void Band(const Place& at, const EqBand& b) {
        Field(at, "freq", b.freq, 0, kFreqIndexMax);
        Field(at, "gain", b.gain, 0, kGainIndexMax);
        Field(at, "q", b.q, 0, kQIndexMax);
        Field(at, "type", b.type, 0, kBandTypes - 1);
    }
    template <std::size_t N>
    void Bands(const Place& at, const char* name, const EqBand (&bands)[N]) {
        for (std::size_t i = 0; i < N; ++i) {
            Band({&at, name, static_cast<int>(i)}, bands[i]);
        }
    }
    void Filter(const Place& at, const char* name, const FilterRecord& f) {
        const Place here{&at, name};
        Field(here, "kind", f.kind, FILTER_HIGHPASS, FILTER_LOWPASS);
        Field(here, "freq", f.freq, 0, Max(Conv::FilterFreq));
        Field(here, "slope", f.slope, 0, static_cast<int>(kSlopeCodes.size()) - 1);
    }
    void Limiter(const Place& at, const char* name, const LimiterRecord& l, Conv level) {
        const Place here{&at, name};
        Field(here, "level", l.level, 0, Max(level));
        Field(here, "attack", l.attack, 0, Max(Conv::CompAttack));
        Field(here, "release", l.release, 0, Max(Conv::CompRelease));
        Field(here, "ratio", l.ratio, 0, Max(Conv::Ratio));
    }
    void Gate(const Place& at, const GateRecord& g) {
        const Place here{&at, "gate"};
        Field(here, "threshold", g.threshold, 0, Max(Conv::GateThreshold));
        Field(here, "attack", g.attack, 0, Max(Conv::GateAttack));
        Field(here, "release", g.release, 0, Max(Conv::GateRelease));
    }
    void Exciter(const Place& at, const char* name, const ExciterRecord& e) {
        const Place here{&at, name};
        Field(here, "freq", e.freq, 0, Max(Conv::FilterFreq));
        Field(here, "harmonic", e.harmonic, 0, kExciterSteps - 1);
        Field(here, "timbre", e.timbre, 0, kExciterSteps - 1);
    }
    // Wet and dry volumes with their signs, the bypass and the crossovers of an effect block.
    template <typename Block>
    void EffectCommon(const Place& at, const Block& e, Conv volume) {
        Bands(at, "eq", e.eq);
        Switch(at, "bypass", e.bypass);
        Field(at, "wet", e.wet, 0, Max(volume));
        Switch(at, "wetSign", e.wetSign);
        Field(at, "dry", e.dry, 0, Max(volume));
        Switch(at, "drySign", e.drySign);
        Filter(at, "hpf", e.hpf);
        Filter(at, "lpf", e.lpf);
    }
    void Echo(const Place& at, const EchoBlock& e) {
        EffectCommon(at, e, Conv::EchoVolume);
        Field(at, "preDelay", e.preDelay, 0, Max(Conv::EchoPreDelay) * kEchoPreDelayUnits);
        Field(at, "rightPreDelay", e.rightPreDelay, 0, Max(Conv::EchoRightPreDelay));
        Field(at, "delay", e.delay, 0, Max(Conv::EchoDelay) * kEchoDelayUnits);
        Field(at, "rightDelay", e.rightDelay, 0, Max(Conv::EchoRightDelay));
        Field(at, "repeat", e.repeat, 0, Max(Conv::EchoRepeat));
    }
    void Reverb(const Place& at, const ReverbBlock& r) {
        EffectCommon(at, r, Conv::ReverbVolume);
        Field(at, "preDelay", r.preDelay, 0, Max(Conv::ReverbPreDelay) * kReverbPreDelayUnits);
        Field(at, "time", r.time, 0, Max(Conv::ReverbTime) * kReverbTimeUnits);
    }
    // What the microphone and music blocks have in common, in their order: dynamics, crossovers, two EQs.
    template <typename Block>
    void InputCommon(const Place& at, const Block& b) {
        Limiter(at, "limiter", b.limiter, Conv::LimitLevel);
        Gate(at, b.gate);
        Filter(at, "hpf", b.hpf);
        Filter(at, "lpf", b.lpf);
        Bands(at, "eq", b.eq);
        Switch(at, "bypass", b.bypass);
        Bands(at, "eq2", b.eq2);
        Switch(at, "bypass2", b.bypass2);
    }
    void Mic(const Place& at, const MicBlock& m) {
        Field(at, "level", m.level, 0, Max(Conv::MicLevel));
        Field(at, "feedback", m.feedback, 0, kFeedbackChoices - 1);
        InputCommon(at, m);
        Exciter(at, "lowExciter", m.lowExciter);
        Exciter(at, "highExciter", m.highExciter);
    }
    void Music(const Place& at, const MusicBlock& m) {
        InputCommon(at, m);
        Filter(at, "mainHpf", m.mainHpf);
        for (int i = 0; i < kDynamicBands; ++i) {
            const Place band{&at, "deq", i};
            const DynamicEqBand& d = m.deq[i];
            Band({&band, "band"}, d.band);
            Field(band, "limitLevel", d.limitLevel, 0, Max(Conv::DynLimitLevel));
            Field(band, "attack", d.attack, 0, Max(Conv::CompAttack));
            Field(band, "release", d.release, 0, Max(Conv::CompRelease));
            Field(band, "ratio", d.ratio, 0, Max(Conv::Ratio));
            Switch(band, "enable", d.enable);
        }
        Exciter(at, "lowExciter", m.lowExciter);
        Exciter(at, "highExciter", m.highExciter);
    }
    void Output(const Place& at, const OutputChannel& c) {
        Switch(at, "mute", c.mute);
        for (int i = 0; i < 5; ++i) {
            const Place mix{&at, "mix", i};
            Field(mix, "level", c.mix[i].level, 0, Max(Conv::MixLevel));
            Switch(mix, "on", c.mix[i].on);
        }
        Bands(at, "eq", c.eq);
        Switch(at, "bypass", c.bypass);
        Limiter(at, "limiter", c.limiter, Conv::OutputLimitLevel);
        Filter(at, "hpf", c.hpf);
        Filter(at, "lpf", c.lpf);
        Field(at, "delay", c.delay, 0, Max(Conv::OutputDelay));
    }
    void Program(const Place& at, const ProgramImage& p) {
        Echo({&at, "echoA"}, p.echoA);
        Echo({&at, "echoB"}, p.echoB);
        Reverb({&at, "reverb"}, p.reverb);
        Reverb({&at, "auxReverb"}, p.auxReverb);
        Mic({&at, "mic1"}, p.mic1);
        Mic({&at, "mic2"}, p.mic2);
        Switch(at, "micSync", p.micSync);
        Music({&at, "musicL"}, p.musicL);
        Music({&at, "musicR"}, p.musicR);
        Switch(at, "musicSync", p.musicSync);
        for (int block = 0; block < kOutputModes; ++block) {
            const Place out{&at, "out", block};
            for (int ch = 0; ch < kOutputRecords; ++ch) {
                Output({&out, "ch", ch}, p.out[block].ch[ch]);
            }
        }
        Field(at, "outputMode", p.outputMode, 0, kOutputModeChoices - 1);
        for (int i = 0; i < 4; ++i) {
            Switch({&at, "outputLink", i}, "", p.outputLink[i]);
        }
    }
    void System(const Place& at, const SystemBlock& s) {
        Field(at, "currentSlot", s.currentSlot, 0, kSlotCount);
        Field(at, "effectVolume", s.effectVolume & kVolumeMask, 0, Max(Conv::EffectVolume));
        Field(at, "micVolume", s.micVolume & kVolumeMask, 0, Max(Conv::MicVolume));
        Field(at, "musicVolume", s.musicVolume & kVolumeMask, 0, Max(Conv::MusicVolume));
        Field(at, "effectMax", s.effectMax, 0, Max(Conv::EffectVolume));
        Field(at, "micMax", s.micMax, 0, Max(Conv::MicVolume));
        Field(at, "musicMax", s.musicMax, 0, Max(Conv::MusicVolume));
        Switch(at, "rearMicPhantom", s.rearMicPhantom);
        Field(at, "musicInput", s.musicInput, 0, kMusicInputChoices - 1);
        Field(at, "keyControl", KeyControl(s), 0, Max(Conv::KeyControl));
        Switch(at, "vodBgmSen", VodBgmSen(s));
        Field(at, "vodGain", s.vodGain, 0, Max(Conv::InputGain));
        Field(at, "bgmGain", s.bgmGain, 0, Max(Conv::InputGain));
        Field(at, "coaxGain", s.coaxGain, 0, Max(Conv::InputGain));
        Field(at, "optiGain", s.optiGain, 0, Max(Conv::InputGain));
        Switch(at, "irControl", s.irControl);
    }

  private:
    std::optional<std::string> m_first;
};

// The records are read from a copy: file bytes carry no alignment, and the records are packed.
template <typename Record>
Record Load(std::span<const std::uint8_t> bytes, std::size_t offset) {
    Record r;
    std::memcpy(&r, bytes.data() + offset, sizeof r);
    return r;
}

std::string SizeText(std::size_t size) { return "the file has " + std::to_string(size) + " bytes"; }

} // namespace

std::optional<std::string> CheckProgram(const ProgramImage& image) {
    Walk walk;
    walk.Program({nullptr, ""}, image);
    return walk.Result();
}

std::optional<std::string> CheckSystem(const SystemBlock& system) {
    Walk walk;
    walk.System({nullptr, "system"}, system);
    return walk.Result();
}

std::optional<std::string> CheckProgramFile(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kSystemBlockSize + kProgramImageSize) {
        return SizeText(bytes.size());
    }
    Walk walk;
    walk.System({nullptr, "system"}, Load<SystemBlock>(bytes, 0));
    if (!walk.Failed()) {
        walk.Program({nullptr, ""}, Load<ProgramImage>(bytes, kSystemBlockSize));
    }
    return walk.Result();
}

std::optional<std::string> CheckAllPresetsFile(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kPresetStoreSize && bytes.size() != kPresetHeadSize) {
        return SizeText(bytes.size());
    }
    Walk walk;
    walk.System({nullptr, "system"}, Load<SystemBlock>(bytes, offsetof(PresetStore, head)));
    for (int n = 1; n <= kSlotCount && !walk.Failed(); ++n) {
        const std::size_t at = offsetof(PresetStore, slots) + static_cast<std::size_t>(n - 1) * kProgramImageSize;
        walk.Program({nullptr, "slot", n, true}, Load<ProgramImage>(bytes, at));
    }
    if (bytes.size() == kPresetStoreSize) {
        for (int n = 1; n <= kSlotCount && !walk.Failed(); ++n) {
            const std::size_t at =
                offsetof(PresetStore, slotSystems) + static_cast<std::size_t>(n - 1) * kSystemBlockSize;
            walk.System({nullptr, "slotSystem", n, true}, Load<SystemBlock>(bytes, at));
        }
    }
    return walk.Result();
}

} // namespace kel
