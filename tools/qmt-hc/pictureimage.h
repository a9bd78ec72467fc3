// Images into the help file's picture form and back. A library of its own
// (qmthcimage), since the image library it needs costs a process megabytes
// from its start: the compiler loads it only when a picture needs it.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>

namespace rtf {
struct EmbeddedPicture;
}

namespace hc {

// The "lP" form of `image`: 1, 4 or 8 bits with a palette for an image of
// few colours, else 24 bits; transparent parts on white. Packed with LZ77
// when that is smaller.
QByteArray PictureFile(const QImage& image);

// The bitmap of a stored picture as an image (the reader's check). Throws
// FormatError when `stored` is no picture of the "lP" form.
QImage ReadPicture(QByteArrayView stored);

// A picture stored in the text as the image it shows; a null image when it
// cannot be read.
QImage EmbeddedImage(const rtf::EmbeddedPicture& picture);

} // namespace hc
