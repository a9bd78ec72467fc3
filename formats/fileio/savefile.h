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
#include <QStringList>
#include <mutex>
#include <stdexcept>
#include <vector>

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

class FolderSync;

class SaveFile {
public:
    // Creates the work file beside `target`; throws FileWriteError when it cannot.
    explicit SaveFile(const QString& target);
    ~SaveFile(); // an uncommitted work file is removed; the target stays as it was

    SaveFile(const SaveFile&) = delete;
    SaveFile& operator=(const SaveFile&) = delete;

    // Appends bytes; they reach the disk in large writes, each one checked.
    void write(QByteArrayView bytes);
    // Flushes, syncs and renames the work file over the target, then syncs
    // the folder so that the rename survives a crash; a folder that cannot be
    // synced fails the save (the new content is in place, but may not stay).
    // The new file keeps the permissions of the file it replaces.
    void commit();
    // The same, with the folder's sync left to `folders`, to be shared with
    // the other files saved into that folder: the save is done only when
    // folders.sync() reports no error for it.
    void commit(FolderSync& folders);

    QString fileName() const { return m_target; }

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

// The syncs that make files saved into folders durable, one per folder: the
// renames of SaveFile::commit(FolderSync&) and files the caller wrote and
// closed itself (new files, which no crash can turn into a loss of older
// content), whose own syncs run in parallel.
class FolderSync {
public:
    FolderSync() = default;
    FolderSync(const FolderSync&) = delete;
    FolderSync& operator=(const FolderSync&) = delete;

    // Files may be committed into one FolderSync from several threads; sync()
    // runs once they are done.
    // A file written and closed, still to be synced before its folder.
    void addWrittenFile(const QString& path);
    // Syncs the written files, then each folder once. Returns one error per
    // file that is not durable: its own sync failed, or its folder's, which
    // fails every file saved into that folder. Empty when all are saved.
    std::vector<FileWriteError> sync();

private:
    friend class SaveFile;
    struct Folder {
        QByteArray path;
        QStringList renamed; // saved by SaveFile: synced already
        QStringList written; // to be synced
    };
    Folder& folder(const QByteArray& path); // the caller holds m_mutex
    void renamed(const QByteArray& folderPath, const QString& file);
    std::mutex m_mutex;
    std::vector<Folder> m_folders;
};

// Writes `bytes` as the whole new content of `target` through a SaveFile.
void SaveBytes(const QString& target, QByteArrayView bytes);

// Whether `fileName` (a name without folder) has the form of a work file.
bool IsWorkFileName(const QString& fileName);

// Removes the work files that an interrupted run left in `folder`: only names
// of the work-file form whose writer is gone (a running writer holds a lock on
// its work file). Returns how many were removed.
int RemoveStaleWorkFiles(const QString& folder);

} // namespace fileio
