// Page tables as the compiler checks them: a binding to a field of the record the page edits compiles,
// and with KEL_BIND_OTHER_RECORD (a microphone page binding a music block's field) it must not.
#include "pages/PageConventions.h"

#include <array>

namespace kel {
namespace {

#ifdef KEL_BIND_OTHER_RECORD
constexpr auto kToggles = std::to_array<ToggleBinding>({{1, EditedField(KEL_FIELD(MusicBlock, bypass)), true}});
#else
constexpr auto kToggles = std::to_array<ToggleBinding>({{1, EditedField(KEL_FIELD(MicBlock, bypass)), true}});
#endif

[[maybe_unused]] constexpr PageTables kTables = Checked({.record = RecordKind::Mic, .toggles = kToggles});

} // namespace
} // namespace kel
