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

} // namespace

ChmFile::ChmFile(const QString& path) : m_file(chm_open(QFile::encodeName(path).constData())) {}

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
