#pragma once
// Little-endian field access on byte buffers. The payload is read field by field from bytes,
// never by overlaying a struct on the file, so alignment and host byte order do not matter.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace vorlandite {

inline int32_t LoadI32(std::span<const uint8_t> bytes, std::size_t offset) {
    const uint8_t* p = bytes.data() + offset;
    uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return static_cast<int32_t>(v);
}

inline uint16_t LoadU16(std::span<const uint8_t> bytes, std::size_t offset) {
    const uint8_t* p = bytes.data() + offset;
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline void StoreI32(std::span<uint8_t> bytes, std::size_t offset, int32_t value) {
    auto v = static_cast<uint32_t>(value);
    uint8_t* p = bytes.data() + offset;
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

inline void StoreU16(std::span<uint8_t> bytes, std::size_t offset, uint16_t value) {
    uint8_t* p = bytes.data() + offset;
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
}

} // namespace vorlandite
