// The hash by which help files find topics: context strings never appear in
// the file, only this 32-bit value of them.
#pragma once

#include <QByteArrayView>
#include <cstdint>

namespace hc {

// h = h * 43 + value(c) for every character, wrapping at 32 bits; the empty
// string hashes to 1. Letters count without regard to case.
std::uint32_t ContextHash(QByteArrayView contextString);

// Whether every character is one of A-Z a-z 0-9 . _ (the only ones that all
// readers hash alike).
bool IsPortableContextString(QByteArrayView contextString);

} // namespace hc
