// A little-endian 16-bit field inside a packed device record.
#pragma once

#include <cstdint>

namespace kel {

struct Le16 {
    std::uint8_t lo = 0;
    std::uint8_t hi = 0;

    constexpr std::uint16_t get() const { return static_cast<std::uint16_t>(lo | (hi << 8)); }
    constexpr void set(std::uint16_t v) {
        lo = static_cast<std::uint8_t>(v & 0xFF);
        hi = static_cast<std::uint8_t>(v >> 8);
    }
    constexpr operator std::uint16_t() const { return get(); }
    constexpr Le16& operator=(std::uint16_t v) {
        set(v);
        return *this;
    }
    friend constexpr bool operator==(const Le16& a, const Le16& b) { return a.lo == b.lo && a.hi == b.hi; }
};
static_assert(sizeof(Le16) == 2 && alignof(Le16) == 1);

} // namespace kel
