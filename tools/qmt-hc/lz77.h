// The LZ77 variant of help files: groups of eight items behind a flag byte
// (least significant bit first); a set bit marks a 16-bit pair of a 12-bit
// distance and a 4-bit length that copies length+3 bytes from
// distance+1 bytes back, a clear bit a literal byte.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace hc {

// Unpacks `src`, at most `maxOut` bytes of output (-1: no limit). A pair that
// reaches before the start of the output is a FormatError.
QByteArray Lz77Decompress(QByteArrayView src, qsizetype maxOut = -1);

// Packs the longest prefix of `src` whose packed form fits in `maxOut` bytes
// (-1: all of it). `consumed` receives how much of `src` was packed.
// `effort` bounds the earlier places tried for each match: less effort packs
// faster and a little worse.
QByteArray Lz77Compress(QByteArrayView src, qsizetype maxOut = -1, qsizetype* consumed = nullptr,
                        int effort = 16);

} // namespace hc
