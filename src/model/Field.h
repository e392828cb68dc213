// Typed fields: a field is named by its record type and member, so that a binding can only name a field
// of the record it is bound to, and it knows how its bytes are stored.
#pragma once

#include "model/Le16.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace kel {

// How a field's value is stored in its bytes.
enum class Storage : std::uint8_t {
    Byte,
    Word,       // 16-bit little-endian
    HighNibble, // the upper four bits of a byte; the lower four belong to another field
    LowNibble,  // the lower four bits of a byte
    Bytes,      // a whole record (a band, a crossover), written as one
};

// A field of type Value inside Record, `offset` bytes from the record's start.
template <class Record, class Value> struct FieldOf {
    using RecordType = Record;
    using ValueType = Value;
    std::uint16_t offset = 0;
    std::uint8_t size = sizeof(Value);
    Storage storage = Storage::Bytes;
};

template <class Value> constexpr Storage StorageOf() {
    if constexpr (std::is_same_v<Value, std::uint8_t>) {
        return Storage::Byte;
    } else if constexpr (std::is_same_v<Value, Le16>) {
        return Storage::Word;
    } else {
        static_assert(std::is_trivially_copyable_v<Value> && alignof(Value) == 1, "a device record");
        return Storage::Bytes;
    }
}

template <class Record, class Value> constexpr FieldOf<Record, Value> MakeFieldOf(std::size_t offset) {
    static_assert(std::is_trivially_copyable_v<Record> && alignof(Record) == 1, "a packed device record");
    return {static_cast<std::uint16_t>(offset), static_cast<std::uint8_t>(sizeof(Value)), StorageOf<Value>()};
}

// A member of a record field, `inner` bytes into it (a limiter's attack byte inside a music block).
template <class Inner, class Record, class Value>
constexpr FieldOf<Record, Inner> PartOf(FieldOf<Record, Value> field, std::size_t inner) {
    return MakeFieldOf<Record, Inner>(field.offset + inner);
}

// The nibbles of a byte field.
template <class Record> constexpr FieldOf<Record, std::uint8_t> HighNibbleOf(FieldOf<Record, std::uint8_t> f) {
    f.storage = Storage::HighNibble;
    return f;
}
template <class Record> constexpr FieldOf<Record, std::uint8_t> LowNibbleOf(FieldOf<Record, std::uint8_t> f) {
    f.storage = Storage::LowNibble;
    return f;
}

} // namespace kel

// The field `member` (a member path: `limiter`, `mainHpf.freq`, `eq[3]`) of `Record`, typed by both.
#define KEL_FIELD(Record, member)                                                                          \
    ::kel::MakeFieldOf<Record, std::remove_cvref_t<decltype(std::declval<Record&>().member)>>(             \
        offsetof(Record, member))

// The member `member` of the record that the field `field` holds (its value type), in the same outer
// record: KEL_PART(limiter, attack) for a FieldOf<MusicBlock, LimiterRecord>.
#define KEL_FIELD_VALUE_T(field) typename std::remove_cvref_t<decltype(field)>::ValueType
#define KEL_PART(field, member)                                                                            \
    ::kel::PartOf<std::remove_cvref_t<decltype(std::declval<KEL_FIELD_VALUE_T(field)&>().member)>>(        \
        field, offsetof(KEL_FIELD_VALUE_T(field), member))
