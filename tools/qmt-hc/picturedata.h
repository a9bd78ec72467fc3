// The layout of a stored picture, shared by the picture store and the
// conversion of images into it (a library of its own, see pictureimage.h).
#pragma once

#include "picture.h"

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

namespace hc::picturedata {

constexpr std::uint16_t kPictureMagic = 0x506C; // "lP"
constexpr std::uint8_t kDib = 6;
constexpr int kDpi = 96;

inline qsizetype rowBytes(int width, int bits) {
    return ((qsizetype(width) * bits + 31) / 32) * 4;
}

struct Header {
    PictureInfo info;
    qsizetype dataAt = 0, dataSize = 0, paletteAt = 0;
};

// Throws FormatError when `stored` is no picture of the "lP" form.
Header readHeader(QByteArrayView stored);
// The bitmap's bytes as `packing` left them; throws FormatError when fewer
// than `expected`.
QByteArray unpack(QByteArrayView data, int packing, qsizetype expected);

} // namespace hc::picturedata
