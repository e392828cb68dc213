// The remote control's reads and writes of the model.
#include "remote/RemoteModel.h"

#include "model/DataConver.h"
#include "model/Edit.h"
#include "protocol/CommandTables.h"
#include "protocol/DeviceWorkflows.h"
#include "protocol/Protocol.h"

#include <algorithm>
#include <cstddef>

namespace kel::remote {

namespace {

struct StripBytes {
    std::string_view name;
    FieldAt volume;  // bit 7 = mute
    FieldAt maximum; // "... max volume"
    Conv conversion;
};

constexpr std::array<StripBytes, kStripCount> kStrips = {{
    {"music", At(KEL_FIELD(SystemBlock, musicVolume)), At(KEL_FIELD(SystemBlock, musicMax)), Conv::MusicVolume},
    {"mic", At(KEL_FIELD(SystemBlock, micVolume)), At(KEL_FIELD(SystemBlock, micMax)), Conv::MicVolume},
    {"effect", At(KEL_FIELD(SystemBlock, effectVolume)), At(KEL_FIELD(SystemBlock, effectMax)),
     Conv::EffectVolume},
}};

const StripBytes& Of(Strip s) {
    return kStrips[static_cast<std::size_t>(s)];
}

u8 Byte(const SystemBlock& block, const FieldAt& field) {
    return reinterpret_cast<const u8*>(&block)[field.offset];
}

// Names are single-byte text, shown by the window as Latin-1.
std::string Latin1ToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

bool Busy(const Model& m) {
    return m.connection.transferInProgress != 0 || !TheProtocol().Queue().IsEmpty();
}

// Whether an edit may go ahead now; the caller holds ImageLock.
EditResult MayEdit(const Model& m) {
    if (m.connection.connected == 0) {
        return EditResult::NotConnected;
    }
    return Busy(m) ? EditResult::Busy : EditResult::Done;
}

} // namespace

std::optional<Strip> StripNamed(std::string_view name) {
    for (std::size_t i = 0; i < kStrips.size(); ++i) {
        if (kStrips[i].name == name) {
            return static_cast<Strip>(i);
        }
    }
    return std::nullopt;
}

std::string_view StripName(Strip s) {
    return Of(s).name;
}

int StripRange(Strip s) {
    return ConversionOf(Of(s).conversion).max;
}

RemoteState ReadState(const Model& m) {
    RemoteState state;
    state.connected = m.connection.connected != 0;
    state.busy = Busy(m);
    state.slot = m.system.currentSlot;
    state.program = Latin1ToUtf8(BytesToText(m.image.name));
    state.mode = m.image.outputMode;
    for (std::size_t i = 0; i < kStrips.size(); ++i) {
        const u8 volume = Byte(m.system, kStrips[i].volume);
        state.strips[i] = {volume & kVolumeMask, (volume & kMuteBit) != 0,
                           Byte(m.system, kStrips[i].maximum)};
    }
    for (int n = 1; n <= kSlotCount; ++n) {
        state.presets[static_cast<std::size_t>(n - 1)] =
            Latin1ToUtf8(BytesToText(m.presets.slots[n - 1].name));
    }
    return state;
}

Levels ReadLevels(const Model& m) {
    return {m.settings.meters.levels, m.settings.meters.signals};
}

EditResult SetVolume(Strip s, int value, int* stored) {
    Model& m = TheModel();
    EditResult result = EditResult::Done;
    // Checked and written as one edit, so that no bulk command slips in between.
    EditTogether(
        m,
        [&](FieldWriter& w) {
            result = MayEdit(m);
            if (result != EditResult::Done) {
                return;
            }
            const int p = std::clamp(value, 0, w.Read(Of(s).maximum) & kVolumeMask);
            w.Write(Of(s).volume, p);
            if (stored) {
                *stored = p;
            }
        },
        EditOrigin::Remote);
    return result;
}

EditResult SetMute(Strip s, bool muted) {
    Model& m = TheModel();
    EditResult result = EditResult::Done;
    EditTogether(
        m,
        [&](FieldWriter& w) {
            result = MayEdit(m);
            if (result != EditResult::Done) {
                return;
            }
            const int volume = w.Read(Of(s).volume);
            w.Write(Of(s).volume, muted ? volume | kMuteBit : volume & kVolumeMask);
        },
        EditOrigin::Remote);
    return result;
}

EditResult Recall(int slot) {
    Model& m = TheModel();
    ImageLockGuard lock(ImageLock());
    if (const EditResult r = MayEdit(m); r != EditResult::Done) {
        return r; // the window would show its busy box; a phone is told to try again
    }
    kel::RecallSlot([](int type, int n) { TheProtocol().DeviceCommand(type, n); }, slot);
    return EditResult::Done;
}

} // namespace kel::remote
