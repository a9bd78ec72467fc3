// Writing a user's file so that it is never lost: the new content goes into a
// hidden work file in the same folder (".NAME.qmt-XXXXXX"), every write and
// the final flush are checked, the work file is synced and then renamed over
// the target. A failure at any step removes the work file, leaves the target
// as it was and throws a FileWriteError naming the file and the system's
// reason ("No space left on device").
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <stdexcept>

namespace fileio {

// A file that could not be written (or read for rewriting).
class FileWriteError : public std::runtime_error {
public:
    FileWriteError(const QString& fileName, const QString& what);
    QString fileName() const { return m_fileName; }
    // What failed, e.g. "could not be written: No space left on device".
    QString what_() const { return m_what; }
    // "<file>: <what>" for the user.
    QString message() const;

private:
    QString m_fileName;
    QString m_what;
};

// Whether committing a file also syncs its folder. A writer of many files in
// one folder commits them with Later and then syncs the folder once with
// SyncFolder: only then are the renames safe from a crash.
enum class FolderSync { Now, Later };

class SaveFile {
public:
    // Creates the work file beside `target`; throws FileWriteError when it cannot.
    explicit SaveFile(const QString& target);
    ~SaveFile(); // an uncommitted work file is removed; the target stays as it was

    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;

    // Appends bytes; they reach the disk in large writes, each one checked.
    void write(QByteArrayView bytes);
    // Flushes, syncs and renames the work file over the target. The new file
    // keeps the permissions of the file it replaces.
    void commit(FolderSync folderSync = FolderSync::Now);

    QString fileName() const { return m_target; }
    // The folder the file is renamed into (that of the file a link names).
    QString folder() const;

private:
    void flush();
    [[noreturn]] void fail(const QString& what, int error);
    void discard() noexcept;

    QString m_target;
    QByteArray m_targetPath; // encoded, symbolic links resolved
    QByteArray m_workPath;
    int m_fd = -1;
    QByteArray m_buffer;
};

// Writes `bytes` as the whole new content of `target` through a SaveFile.
void SaveBytes(const QString& target, QByteArrayView bytes);

// Syncs `folder` to the disk, so that the files renamed into it stay renamed
// after a crash; throws FileWriteError naming the folder and the system's
// reason when it cannot.
void SyncFolder(const QString& folder);

// Whether `fileName` (a name without folder) has the form of a work file.
bool IsWorkFileName(const QString& fileName);

// Removes the work files that an interrupted run left in `folder`: only names
// of the work-file form whose writer is gone (a running writer holds a lock on
// its work file). Returns how many were removed.
int RemoveStaleWorkFiles(const QString& folder);

} // namespace fileio
