// Reading a compiled HTML Help file (.chm) through chmlib: its internal files
// and the context IDs that lead into it.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

struct chmFile; // chmlib's handle

namespace chm {

// One entry of #IVB: a context number and the path it leads to (#STRINGS).
struct ContextId {
    std::uint32_t number = 0;
    QString target; // as stored, e.g. "/html/IDH_SETUP.htm"
};

class ChmFile {
public:
    // Opens the file; isOpen() tells whether chmlib could read its directory.
    explicit ChmFile(const QString& path);
    ~ChmFile();
    ChmFile(const ChmFile&) = delete;
    ChmFile& operator=(const ChmFile&) = delete;

    bool isOpen() const { return m_file != nullptr; }

    // Length of an internal file ("/page.htm"), or -1 when the file has none.
    qint64 size(const QString& internalPath) const;
    // The content of an internal file; nothing when it is missing, unreadable
    // or longer than 1 GB.
    std::optional<QByteArray> read(const QString& internalPath) const;
    // The paths of the ordinary files (not folders, not the format's own
    // "::" and "#"/"$" files).
    QStringList files() const;
    // The context IDs of #IVB with their #STRINGS targets; nothing when the
    // two files are unreadable or inconsistent, an empty list when the file
    // has no context IDs.
    std::optional<std::vector<ContextId>> contextIds() const;

private:
    ::chmFile* m_file = nullptr;
};

} // namespace chm
