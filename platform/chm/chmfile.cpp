#include "chmfile.h"

#include <QFile>
#include <QtEndian>

#include <chm_lib.h>

namespace chm {

namespace {

QByteArray pathBytes(const QString& internalPath) {
    return internalPath.toUtf8();
}

int collectFile(struct chmFile*, struct chmUnitInfo* ui, void* context) {
    const QByteArray path(ui->path);
    // Only what a project puts in: not the format's own "#..." and "$..." files.
    if (path.startsWith('/') && !path.startsWith("/#") && !path.startsWith("/$"))
        static_cast<QStringList*>(context)->append(QString::fromUtf8(path));
    return CHM_ENUMERATOR_CONTINUE;
}

constexpr LONGUINT64 kMaxRead = LONGUINT64(1) << 30;

quint32 u32(const QByteArray& b, qint64 at) {
    return at >= 0 && at + 4 <= b.size() ? qFromLittleEndian<quint32>(b.constData() + at) : 0;
}
quint64 u64(const QByteArray& b, qint64 at) {
    return at >= 0 && at + 8 <= b.size() ? qFromLittleEndian<quint64>(b.constData() + at) : 0;
}
bool powerOfTwo(quint64 v) {
    return v != 0 && (v & (v - 1)) == 0;
}

// A number in 7-bit groups, the highest first; false past `end`.
bool encInt(const QByteArray& b, qint64& at, qint64 end, quint64& value) {
    value = 0;
    for (int i = 0; i < 9; ++i) {
        if (at >= end)
            return false;
        const auto byte = quint8(b[at++]);
        value = (value << 7) | (byte & 0x7F);
        if ((byte & 0x80) == 0)
            return true;
    }
    return false;
}

// chmlib divides by the directory's chunk size, the window size and the
// reset table's frame size without looking at them first, and follows the
// chain of listing chunks without end when it loops: a file whose values
// would stop or hang the program is refused before chmlib opens it.
bool plausible(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(0x60);
    if (head.size() < 0x58 || !head.startsWith("ITSF"))
        return false;
    const quint32 version = u32(head, 4);
    const quint64 dirOffset = u64(head, 0x48), dirLength = u64(head, 0x50);
    const quint64 content =
        version >= 3 && head.size() >= 0x60 ? u64(head, 0x58) : dirOffset + dirLength;
    const auto size = quint64(f.size());
    if (dirLength < 0x54 || dirOffset > size || dirLength > size - dirOffset ||
        !f.seek(qint64(dirOffset)))
        return false;
    const QByteArray dir = f.read(qint64(dirLength));
    if (quint64(dir.size()) != dirLength || !dir.startsWith("ITSP"))
        return false;
    const quint32 headerLength = u32(dir, 8), chunk = u32(dir, 0x10);
    if (chunk < 0x20 || chunk > (1u << 20) || headerLength < 0x54 || headerLength > dirLength)
        return false;
    // The listing chunks' chain, which chmlib follows to its end.
    const quint64 chunks = (dirLength - headerLength) / chunk;
    quint64 steps = 0;
    for (quint32 at = u32(dir, 0x20); at != 0xFFFFFFFFu;
         at = u32(dir, headerLength + qint64(at) * chunk + 0x10))
        if (at >= chunks || ++steps > chunks ||
            dir.mid(headerLength + qint64(at) * chunk, 4) != "PMGL")
            return false;
    // The control data and the reset table of the compressed section.
    const auto section0 = [&](quint64 offset, quint64 length) {
        return content <= size && offset <= size - content && f.seek(qint64(content + offset))
                   ? f.read(qint64(std::min<quint64>(length, 64)))
                   : QByteArray();
    };
    for (qint64 at = headerLength; at + chunk <= dir.size(); at += chunk) {
        if (dir.mid(at, 4) != "PMGL")
            continue;
        const quint32 free = u32(dir, at + 4);
        const qint64 end = at + chunk - std::min<quint32>(free, chunk);
        for (qint64 p = at + 0x14; p < end;) {
            quint64 nameLength = 0, space = 0, offset = 0, length = 0;
            if (!encInt(dir, p, end, nameLength) || nameLength > quint64(end - p))
                break;
            const QByteArray name = dir.mid(p, qsizetype(nameLength));
            p += qint64(nameLength);
            if (!encInt(dir, p, end, space) || !encInt(dir, p, end, offset) ||
                !encInt(dir, p, end, length))
                break;
            // The compressed section's own files must be in the plain one.
            if (name.startsWith("::DataSpace/") && space != 0)
                return false;
            if (name == "::DataSpace/Storage/MSCompressed/ControlData") {
                const QByteArray c = section0(offset, length);
                if (c.size() < 0x18 || c.mid(4, 4) != "LZXC")
                    return false;
                quint64 reset = u32(c, 0x0C), window = u32(c, 0x10);
                if (u32(c, 8) == 2) {
                    reset *= 0x8000;
                    window *= 0x8000;
                }
                if (!powerOfTwo(window) || window < 0x8000 || window > 0x200000 || reset == 0 ||
                    reset % (window / 2) != 0 || u32(c, 0x14) == 0)
                    return false;
            } else if (name.endsWith("/InstanceData/ResetTable")) {
                const QByteArray t = section0(offset, length);
                const quint64 frame = u64(t, 0x20);
                if (t.size() < 0x28 || !powerOfTwo(frame) || frame > 0x200000)
                    return false;
            }
        }
    }
    return true;
}

} // namespace

ChmFile::ChmFile(const QString& path)
    : m_file(plausible(path) ? chm_open(QFile::encodeName(path).constData()) : nullptr) {}

ChmFile::~ChmFile() {
    if (m_file)
        chm_close(m_file);
}

qint64 ChmFile::size(const QString& internalPath) const {
    chmUnitInfo ui{};
    if (!m_file ||
        chm_resolve_object(m_file, pathBytes(internalPath).constData(), &ui) != CHM_RESOLVE_SUCCESS)
        return -1;
    return static_cast<qint64>(ui.length);
}

std::optional<QByteArray> ChmFile::read(const QString& internalPath) const {
    chmUnitInfo ui{};
    if (!m_file ||
        chm_resolve_object(m_file, pathBytes(internalPath).constData(), &ui) != CHM_RESOLVE_SUCCESS)
        return std::nullopt;
    // A length no help file's part has: a damaged directory.
    if (ui.length > kMaxRead)
        return std::nullopt;
    QByteArray data(static_cast<qsizetype>(ui.length), Qt::Uninitialized);
    if (ui.length == 0)
        return data;
    const LONGINT64 got = chm_retrieve_object(
        m_file, &ui, reinterpret_cast<unsigned char*>(data.data()), 0, LONGINT64(ui.length));
    if (got != LONGINT64(ui.length))
        return std::nullopt;
    return data;
}

QStringList ChmFile::files() const {
    QStringList paths;
    if (m_file)
        chm_enumerate(m_file, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, collectFile, &paths);
    return paths;
}

std::optional<std::vector<ContextId>> ChmFile::contextIds() const {
    std::vector<ContextId> ids;
    if (size(QStringLiteral("/#IVB")) < 0)
        return ids; // a file without context IDs has no #IVB
    const auto ivb = read(QStringLiteral("/#IVB"));
    const auto strings = read(QStringLiteral("/#STRINGS"));
    if (!ivb || !strings || ivb->size() < 4)
        return std::nullopt;
    // #IVB: the byte count of what follows, then pairs of context number and
    // offset of the target in #STRINGS.
    const auto* p = reinterpret_cast<const uchar*>(ivb->constData());
    const quint32 bytes = qFromLittleEndian<quint32>(p);
    if (bytes % 8 != 0 || qsizetype(bytes) > ivb->size() - 4)
        return std::nullopt;
    for (quint32 at = 4; at < bytes + 4; at += 8) {
        const quint32 number = qFromLittleEndian<quint32>(p + at);
        const quint32 offset = qFromLittleEndian<quint32>(p + at + 4);
        if (qsizetype(offset) >= strings->size())
            return std::nullopt;
        const qsizetype end = strings->indexOf('\0', offset);
        if (end < 0)
            return std::nullopt;
        ids.push_back({number, QString::fromUtf8(strings->mid(offset, end - offset))});
    }
    return ids;
}

} // namespace chm
