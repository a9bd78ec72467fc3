// Pictures of a help file: each distinct picture a topic shows is one
// internal file |bm0, |bm1 ... in the "lP" form, holding one
// device-independent bitmap that the topic record refers to by number.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace rtf {
struct EmbeddedPicture;
}

namespace hc {

// What a stored picture says of itself, for the reader's listing.
struct PictureInfo {
    int width = 0, height = 0, bitCount = 0, colors = 0, packing = 0;
};
// Throws FormatError when `stored` is no picture of the "lP" form.
PictureInfo ReadPictureInfo(QByteArrayView stored);
// Converting images into that form, and back: pictureimage.h.

// The pictures of one help file, found by name and read once each. The
// image library is loaded only when a picture has to be converted.
class PictureStore {
public:
    // `folders`: where a picture is looked for, in this order, before the
    // folder of the topic file that names it.
    explicit PictureStore(QStringList folders) : m_folders(std::move(folders)) {}

    // The number of the picture `name` ("\" or "/" separated, letter case
    // aside), -1 when it is not found or cannot be read; `problem` says which.
    int number(const QString& name, const QString& topicFolder, QString& problem);
    // The number of a picture stored in a topic file itself (PNG, JPEG or a
    // bitmap), the same for the same bytes; -1 with `problem` when it cannot
    // be read.
    int number(const rtf::EmbeddedPicture& picture, QString& problem);

    // The stored pictures, by number.
    const std::vector<QByteArray>& files() const { return m_files; }

private:
    QStringList m_folders;
    QHash<QString, int> m_byPath;            // the file's path: its number
    QHash<QString, QString> m_problemOfPath; // a file that could not be read
    QHash<QByteArray, int> m_byContent;      // pictures stored in the text, by their bytes
    std::vector<QByteArray> m_files;
};

} // namespace hc
