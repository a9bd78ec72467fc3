#include "contexthash.h"

namespace hc {

namespace {

// The value of one character in the hash. Digits 1-9 count 1-9 and 0 counts
// 10; letters count 17 to 42 in either case; '.' 12 and '_' 13. The other
// characters follow the table help readers were built with: mostly the
// character code shifted, with a few oddities kept as they are.
std::int8_t charValue(std::uint8_t c) {
    if (c == 0)
        return 0;
    if (c < 0x20)
        return std::int8_t(0xD0 + c);
    if (c < 0x30) {
        if (c == '!')
            return 0x0B;
        if (c == '.')
            return 0x0C;
        return std::int8_t(0xF0 + (c - 0x20));
    }
    if (c == '0')
        return 0x0A;
    if (c <= 0x5A) // '1'-'9', ':' to '@', 'A'-'Z'
        return std::int8_t(c - 0x30);
    if (c < 0x60) {
        static const std::int8_t odd[] = {0x0B, 0x0C, 0x0D, 0x0E, 0x0D}; // [ \ ] ^ _
        return odd[c - 0x5B];
    }
    if (c < 0x80) // '`', 'a'-'z', '{' to DEL
        return std::int8_t(c - 0x50);
    if (c == 0x84)
        return 0x0B;
    return std::int8_t(c - 0x30);
}

} // namespace

std::uint32_t ContextHash(QByteArrayView s) {
    if (s.isEmpty())
        return 1;
    std::uint32_t h = 0;
    for (char ch : s)
        h = h * 43u + std::uint32_t(std::int32_t(charValue(std::uint8_t(ch))));
    return h;
}

bool IsPortableContextString(QByteArrayView s) {
    for (char c : s) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '_';
        if (!ok)
            return false;
    }
    return !s.isEmpty();
}

} // namespace hc
