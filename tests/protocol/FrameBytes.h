// Frames written out byte by byte for the tests, with the checksum worked out here.
#pragma once

#include "protocol/FrameRecord.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kel::test {

using Bytes = std::vector<std::uint8_t>;

// FF 55, count, type, body, checksum (the low byte of the sum of count, type and body).
inline Bytes MakeFrame(int type, const Bytes& body) {
    const int count = static_cast<int>(body.size()) + 2;
    Bytes f;
    f.reserve(body.size() + 6);
    for (int b : {0xFF, 0x55, count & 0xFF, count >> 8, type}) {
        f.push_back(static_cast<std::uint8_t>(b));
    }
    for (std::uint8_t b : body) {
        f.push_back(b);
    }
    unsigned sum = 0;
    for (std::size_t i = 2; i < f.size(); ++i) {
        sum += f[i];
    }
    f.push_back(static_cast<std::uint8_t>(sum));
    return f;
}

// The frame held by a record, header to checksum.
inline Bytes FrameOf(const FrameRecord& r) {
    return Bytes(r.frame, r.frame + r.Length());
}

inline std::string Hex(const Bytes& b, std::size_t limit = 32) {
    std::string s;
    char buf[4];
    for (std::size_t i = 0; i < b.size() && i < limit; ++i) {
        std::snprintf(buf, sizeof buf, "%02X ", b[i]);
        s += buf;
    }
    if (b.size() > limit) {
        s += "...";
    }
    return s;
}

} // namespace kel::test
