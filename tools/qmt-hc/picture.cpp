#include "picture.h"

#include "bytes.h"
#include "lz77.h"
#include "picturedata.h"
#include "project.h"
#include "rtf/document.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace hc {

namespace picturedata {

// Reads what the packing method made of the bitmap's bytes.
QByteArray unpack(QByteArrayView data, int packing, qsizetype expected) {
    QByteArray out = packing & 2 ? Lz77Decompress(data, -1) : data.toByteArray();
    if (packing & 1) {
        QByteArray runs;
        ByteReader r(out, "picture run lengths");
        while (!r.atEnd()) {
            const std::uint8_t n = r.u8();
            if (n & 0x80)
                runs += r.bytes(n & 0x7F);
            else
                runs += QByteArray(n, char(r.u8()));
        }
        out = runs;
    }
    if (out.size() < expected)
        throw FormatError("picture: its bitmap is shorter than its size says");
    return out;
}

Header readHeader(QByteArrayView stored) {
    ByteReader r(stored, "picture");
    const std::uint16_t magic = r.u16();
    if (magic != kPictureMagic && magic != 0x706C) // one picture, or several sizes of one
        r.fail("does not begin with lP or lp");
    if (r.u16() < 1)
        r.fail("holds no bitmap");
    const std::uint32_t at = r.u32();
    r.seek(at);
    Header h;
    const std::uint8_t type = r.u8();
    if (type != 5 && type != 6)
        r.fail("is not a bitmap (type " + std::to_string(type) + ")");
    h.info.packing = r.u8();
    r.packedULong();
    r.packedULong();
    r.packedUShort();
    h.info.bitCount = int(r.packedUShort());
    h.info.width = int(r.packedULong());
    h.info.height = int(r.packedULong());
    h.info.colors = int(r.packedULong());
    r.packedULong();
    h.dataSize = r.packedULong();
    r.packedULong();
    h.dataAt = qsizetype(at) + r.u32();
    r.u32();
    h.paletteAt = r.pos();
    if (h.info.colors == 0 && h.info.bitCount <= 8)
        h.info.colors = 1 << h.info.bitCount;
    if (h.dataAt + h.dataSize > stored.size() || h.paletteAt + 4 * h.info.colors > stored.size())
        r.fail("is shorter than its sizes say");
    return h;
}

} // namespace picturedata

namespace {

// Converting images needs the image library, which takes megabytes of a
// process from its start: it is loaded with the first picture to convert.
struct Converter {
    bool (*fromFile)(const QByteArray& bytes, QByteArray& stored, QString& problem) = nullptr;
    bool (*fromText)(const rtf::EmbeddedPicture& picture, QByteArray& stored) = nullptr;
    QString problem; // why it could not be loaded
};

const Converter& converter() {
    static const Converter loaded = [] {
        Converter c;
        // Found beside this library (its run path).
        void* module = dlopen("libqmthcimage.so", RTLD_NOW);
        if (module) {
            c.fromFile =
                reinterpret_cast<decltype(c.fromFile)>(dlsym(module, "qmthc_picture_from_file"));
            c.fromText =
                reinterpret_cast<decltype(c.fromText)>(dlsym(module, "qmthc_picture_from_text"));
        }
        if (!c.fromFile || !c.fromText) {
            const char* why = dlerror();
            c.problem =
                QStringLiteral("the picture converter libqmthcimage.so cannot be loaded: ") +
                QString::fromLocal8Bit(why ? why : "its functions are missing");
            c.fromFile = nullptr;
            c.fromText = nullptr;
        }
        return c;
    }();
    return loaded;
}

} // namespace

PictureInfo ReadPictureInfo(QByteArrayView stored) {
    return picturedata::readHeader(stored).info;
}

int PictureStore::number(const rtf::EmbeddedPicture& picture, QString& problem) {
    const QByteArray key = QByteArray(1, char(picture.format)) + picture.data;
    if (const auto it = m_byContent.constFind(key); it != m_byContent.constEnd())
        return *it;
    QByteArray stored;
    if (picture.binary) {
        problem = QStringLiteral("a picture stored in the text cannot be read");
        return -1;
    }
    const Converter& c = converter();
    if (!c.fromText) {
        problem =
            QStringLiteral("a picture stored in the text cannot be read (") + c.problem + u')';
        return -1;
    }
    if (!c.fromText(picture, stored)) {
        problem = QStringLiteral("a picture stored in the text cannot be read");
        return -1;
    }
    const int n = int(m_files.size());
    m_files.push_back(std::move(stored));
    m_byContent.insert(key, n);
    return n;
}

int PictureStore::number(const QString& name, const QString& topicFolder, QString& problem) {
    QStringList folders = m_folders;
    folders << topicFolder;
    QString path;
    for (const QString& folder : std::as_const(folders)) {
        const QString candidate = ResolveProjectPath(folder, name);
        if (QFileInfo(candidate).isFile()) {
            path = QFileInfo(candidate).absoluteFilePath();
            break;
        }
    }
    if (path.isEmpty()) {
        problem = QStringLiteral("picture %1 is not found");
        return -1;
    }
    if (const auto it = m_byPath.constFind(path); it != m_byPath.constEnd())
        return *it;
    if (const auto it = m_problemOfPath.constFind(path); it != m_problemOfPath.constEnd()) {
        problem = *it;
        return -1;
    }
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    QByteArray stored;
    if (bytes.size() >= 8 &&
        (getU16(bytes, 0) == picturedata::kPictureMagic || getU16(bytes, 0) == 0x706C)) {
        // Already in the help file's own form (pictures with hotspots, several
        // resolutions of one): stored as it is.
        stored = bytes;
    } else {
        const Converter& c = converter();
        QString why;
        if (file.error() != QFile::NoError)
            why = file.errorString();
        else if (!c.fromFile)
            why = c.problem;
        else if (c.fromFile(bytes, stored, why))
            why.clear();
        else if (why.isEmpty())
            why = QStringLiteral("Unknown error");
        if (stored.isEmpty()) {
            problem = QStringLiteral("picture %1 cannot be read (") + why + u')';
            m_problemOfPath.insert(path, problem);
            return -1;
        }
    }
    const int n = int(m_files.size());
    m_files.push_back(stored);
    m_byPath.insert(path, n);
    return n;
}

} // namespace hc
