#pragma once
// KX-208M link protocol: command codes and the little-endian fields of
// its frames, shared by the instrument driver and the simulator so the two
// cannot drift apart.

#include <cstdint>

namespace kx {

constexpr uint8_t kCmdVersion = 0x13;
constexpr uint8_t kCmdVersionOld = 0x14;
constexpr uint8_t kCmdSetPosition = 0x61;
constexpr uint8_t kCmdBlock = 0x62;
constexpr uint8_t kCmdStatus = 0x63;
constexpr uint8_t kCmdSerial = 0xA0;
constexpr uint8_t kCmdKind = 0xC7;

// One 0x62 reply carries this many 16-byte archive records.
constexpr int kRecordsPerBlock = 15;

inline uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace kx
