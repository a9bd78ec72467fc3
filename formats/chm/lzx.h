// The LZX compression of the compressed section of a compiled HTML Help file:
// verbatim blocks with their own Huffman trees, matches found through hash
// chains, the decoder's state reset at a fixed interval.
#pragma once

#include <QByteArrayView>
#include <cstdint>
#include <vector>

namespace chm {

// The decoder's window is 2^16 bytes; every frame of 32 KB of output starts a
// new block on a 16-bit boundary, and every second frame resets the decoder,
// so that a reader decompresses at most 64 KB to reach any byte.
inline constexpr int kLzxWindowBits = 16;
inline constexpr int kLzxFrameSize = 0x8000;
inline constexpr int kLzxFramesPerReset = 2;

struct LzxOutput {
    std::vector<std::uint8_t> data;
    // Where each frame's compressed data starts in `data` (the reset table).
    std::vector<std::uint64_t> frameOffsets;
};

// Readers decompress whole frames: the input is compressed as if padded with
// zero bytes to the end of a frame.
// `effort`: how many earlier places the match finder tries at each position.
LzxOutput LzxCompress(QByteArrayView input, int effort = 24);

} // namespace chm
