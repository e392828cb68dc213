// A fixed-size first-in first-out byte buffer: what the bridge's background reader collects into.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kel::bridge {

template <std::size_t Capacity> class ByteRing {
  public:
    // Appends what fits; bytes beyond the capacity are dropped (like an overrun UART FIFO).
    std::size_t Push(std::span<const std::uint8_t> bytes) {
        const std::size_t n = std::min(bytes.size(), Capacity - m_size);
        for (std::size_t i = 0; i < n; ++i) {
            m_bytes[(m_head + m_size + i) % Capacity] = bytes[i];
        }
        m_size += n;
        return n;
    }
    // Takes up to out.size() of the oldest bytes.
    std::size_t Pop(std::span<std::uint8_t> out) {
        const std::size_t n = std::min(out.size(), m_size);
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = m_bytes[(m_head + i) % Capacity];
        }
        m_head = (m_head + n) % Capacity;
        m_size -= n;
        return n;
    }
    void Clear() {
        m_head = 0;
        m_size = 0;
    }
    std::size_t Size() const { return m_size; }
    static constexpr std::size_t kCapacity = Capacity;

  private:
    std::array<std::uint8_t, Capacity> m_bytes{};
    std::size_t m_head = 0;
    std::size_t m_size = 0;
};

} // namespace kel::bridge
