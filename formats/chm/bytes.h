// Little-endian numbers into the byte buffers of the .chm's internal files.
#pragma once

#include <QByteArray>
#include <cstdint>

namespace chm::bytes {

inline void putU16(QByteArray& b, std::uint32_t v) {
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}
inline void putU32(QByteArray& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}
inline void putU64(QByteArray& b, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}
// Overwrites what an earlier put left as a placeholder at `at`.
inline void setU16(QByteArray& b, qsizetype at, std::uint32_t v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}
inline void setU32(QByteArray& b, qsizetype at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

} // namespace chm::bytes
