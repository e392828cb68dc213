// JSON dumps of program and all-presets files.
#include "cli/Dump.h"

#include "cli/CliCommands.h"
#include "model/DataConver.h"
#include "model/Model.h"
#include "presets/FileIo.h"
#include "presets/PresetFiles.h"
#include "presets/ProgramFile.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string_view>
#include <vector>

namespace kel {

using nlohmann::ordered_json;

namespace {

template <std::size_t N> ordered_json Bytes(const std::uint8_t (&b)[N]) {
    return ordered_json(std::vector<int>(b, b + N));
}

template <typename T, std::size_t N, typename F> ordered_json Array(const T (&items)[N], F&& each) {
    ordered_json a = ordered_json::array();
    for (const T& item : items) {
        a.push_back(each(item));
    }
    return a;
}

ordered_json Json(const EqBand& b) {
    return {{"freq", b.freq.get()}, {"gain", b.gain}, {"q", b.q}, {"type", b.type}};
}
ordered_json Json(const FilterRecord& f) {
    return {{"kind", f.kind}, {"freq", f.freq.get()}, {"slope", f.slope}};
}
ordered_json Json(const LimiterRecord& l) {
    return {{"level", l.level}, {"attack", l.attack}, {"release", l.release}, {"ratio", l.ratio}};
}
ordered_json Json(const GateRecord& g) {
    return {{"threshold", g.threshold}, {"attack", g.attack}, {"release", g.release}};
}
ordered_json Json(const ExciterRecord& e) {
    return {{"freq", e.freq.get()}, {"harmonic", e.harmonic}, {"timbre", e.timbre}};
}
ordered_json Json(const DynamicEqBand& d) {
    return {{"band", Json(d.band)}, {"limitLevel", d.limitLevel}, {"attack", d.attack},
            {"release", d.release}, {"ratio", d.ratio},           {"enable", d.enable}};
}
auto Bands = [](const EqBand& b) { return Json(b); };

ordered_json Json(const EchoBlock& e) {
    return {{"eq", Array(e.eq, Bands)},
            {"bypass", e.bypass},
            {"wet", e.wet},
            {"wetSign", e.wetSign},
            {"dry", e.dry},
            {"drySign", e.drySign},
            {"hpf", Json(e.hpf)},
            {"lpf", Json(e.lpf)},
            {"preDelay", e.preDelay.get()},
            {"rightPreDelay", e.rightPreDelay.get()},
            {"delay", e.delay.get()},
            {"rightDelay", e.rightDelay.get()},
            {"repeat", e.repeat}};
}

ordered_json Json(const ReverbBlock& r) {
    return {{"eq", Array(r.eq, Bands)}, {"bypass", r.bypass}, {"wet", r.wet},
            {"wetSign", r.wetSign},     {"dry", r.dry},       {"drySign", r.drySign},
            {"hpf", Json(r.hpf)},       {"lpf", Json(r.lpf)}, {"preDelay", r.preDelay.get()},
            {"time", r.time.get()}};
}

ordered_json Json(const MicBlock& m) {
    return {{"level", m.level},
            {"feedback", m.feedback},
            {"limiter", Json(m.limiter)},
            {"gate", Json(m.gate)},
            {"hpf", Json(m.hpf)},
            {"lpf", Json(m.lpf)},
            {"eq", Array(m.eq, Bands)},
            {"bypass", m.bypass},
            {"eq2", Array(m.eq2, Bands)},
            {"bypass2", m.bypass2},
            {"lowExciter", Json(m.lowExciter)},
            {"highExciter", Json(m.highExciter)},
            {"reserved", Bytes(m.reserved)}};
}

ordered_json Json(const MusicBlock& m) {
    return {{"limiter", Json(m.limiter)},
            {"gate", Json(m.gate)},
            {"hpf", Json(m.hpf)},
            {"lpf", Json(m.lpf)},
            {"eq", Array(m.eq, Bands)},
            {"bypass", m.bypass},
            {"eq2", Array(m.eq2, Bands)},
            {"bypass2", m.bypass2},
            {"mainHpf", Json(m.mainHpf)},
            {"deq", Array(m.deq, [](const DynamicEqBand& d) { return Json(d); })},
            {"lowExciter", Json(m.lowExciter)},
            {"highExciter", Json(m.highExciter)},
            {"reserved", Bytes(m.reserved)}};
}

ordered_json Json(const OutputChannel& c) {
    return {{"mute", c.mute},
            {"mix", Array(c.mix,
                          [](const MixLevel& x) {
                              return ordered_json{{"level", x.level}, {"on", x.on}};
                          })},
            {"eq", Array(c.eq, Bands)},
            {"bypass", c.bypass},
            {"limiter", Json(c.limiter)},
            {"hpf", Json(c.hpf)},
            {"lpf", Json(c.lpf)},
            {"delay", c.delay.get()}};
}

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            n = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n >= s.size()) {
            return false; // cut short
        }
        for (std::size_t k = 1; k <= n; ++k) {
            const auto d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (d & 0x3F);
        }
        static constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += n + 1;
    }
    return true;
}

// A name as text when it is valid UTF-8; otherwise as the array of its byte values, like the other byte
// fields, so that no byte of it is lost or replaced.
ordered_json Name(std::span<const std::uint8_t> field) {
    const std::string text = BytesToText(field);
    if (IsUtf8(text)) {
        return text;
    }
    return std::vector<int>(reinterpret_cast<const unsigned char*>(text.data()),
                            reinterpret_cast<const unsigned char*>(text.data()) + text.size());
}

ordered_json Json(const ProgramImage& p) {
    return {{"name", Name(p.name)},
            {"echoA", Json(p.echoA)},
            {"echoB", Json(p.echoB)},
            {"reverb", Json(p.reverb)},
            {"auxReverb", Json(p.auxReverb)},
            {"mic1", Json(p.mic1)},
            {"mic2", Json(p.mic2)},
            {"micSync", p.micSync},
            {"musicL", Json(p.musicL)},
            {"musicR", Json(p.musicR)},
            {"musicSync", p.musicSync},
            {"out", Array(p.out,
                          [](const OutputBlock& b) {
                              return Array(b.ch, [](const OutputChannel& c) { return Json(c); });
                          })},
            {"outputMode", p.outputMode},
            {"outputLink", Bytes(p.outputLink)},
            {"programSum", p.programSum}};
}

ordered_json Json(const SystemBlock& s) {
    return {{"currentSlot", s.currentSlot},
            {"effectVolume", s.effectVolume},
            {"micVolume", s.micVolume},
            {"musicVolume", s.musicVolume},
            {"effectMax", s.effectMax},
            {"micMax", s.micMax},
            {"musicMax", s.musicMax},
            {"rearMicPhantom", s.rearMicPhantom},
            {"musicInput", s.musicInput},
            {"keySen", s.keySen},
            {"vodGain", s.vodGain},
            {"bgmGain", s.bgmGain},
            {"coaxGain", s.coaxGain},
            {"optiGain", s.optiGain},
            {"irControl", s.irControl},
            {"panelPassword", Bytes(s.panelPassword)},
            {"systemPassword", Bytes(s.systemPassword)},
            {"reserved", Bytes(s.reserved)}};
}

} // namespace

namespace cli {

std::optional<ordered_json> DumpFile(std::span<const std::uint8_t> bytes, std::string& error) {
    if (bytes.size() == kProgramFileSize) {
        SystemBlock system;
        ProgramImage image;
        std::memcpy(&system, bytes.data(), sizeof system);
        std::memcpy(&image, bytes.data() + sizeof system, sizeof image);
        return ordered_json{{"system", Json(system)}, {"program", Json(image)}};
    }
    if (bytes.size() == kAllPresetsFileSize || bytes.size() == kOldAllPresetsFileSize) {
        auto store = std::make_unique<PresetStore>();
        std::memcpy(store.get(), bytes.data(), bytes.size());
        ordered_json slots = ordered_json::array();
        for (int n = 1; n <= kSlotCount; ++n) {
            ordered_json slot{{"slot", n}, {"program", Json(store->Slot(n))}};
            if (bytes.size() == kAllPresetsFileSize) {
                slot["system"] = Json(store->SlotSystem(n));
            }
            slots.push_back(std::move(slot));
        }
        return ordered_json{
            {"head", Json(store->head)}, {"spare", store->spare}, {"slots", std::move(slots)}};
    }
    error = "not a program file (2778 bytes) or an all-presets file (58405 or 57019 bytes): " +
            std::to_string(bytes.size()) + " bytes";
    return std::nullopt;
}

int Dump(const std::string& path) {
    std::string error;
    const auto bytes = ReadWholeFile(path, kAllPresetsFileSize, error);
    if (!bytes) {
        std::fprintf(stderr, "kelvane-cli: %s\n", error.c_str());
        return kExitFailure;
    }
    const auto json = DumpFile(*bytes, error);
    if (!json) {
        std::fprintf(stderr, "kelvane-cli: %s: %s\n", path.c_str(), error.c_str());
        return kExitFailure;
    }
    try {
        std::printf("%s\n", json->dump(2).c_str());
    } catch (const std::exception& e) { // nothing in a file may abort the program
        std::fprintf(stderr, "kelvane-cli: %s: %s\n", path.c_str(), e.what());
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace cli
} // namespace kel
