// What keeps a Create run from destroying its own inputs or meeting another
// run: outputs named like an input or like each other are refused before
// anything is written, and one run at a time holds a project and the folders
// it writes into.
#pragma once

#include "workspace/createsettings.h"
#include "workspace/session.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// A file (or the pages folder) a run reads or writes, with what it is for the
// author ("the help file").
struct RoleFile {
    QString role;
    QString path; // absolute
};

// The files a run with these settings writes, resolved the way the
// generators resolve them. Rewritten inputs (the application project's
// HelpFile line, the forms) are not among them.
std::vector<RoleFile> CreateOutputFiles(const CreateSettings& settings);

// One sentence for every output that is the same file as the project file,
// the application project, one of its forms or another output: after links,
// and in any letter case, since the outputs are read on Windows. Empty when
// the names are safe.
QStringList CheckOutputNames(const CreateSettings& settings, const QString& projectFile,
                             const QString& appProjectPath, const std::vector<FormRow>& forms);

// Whether two names are one file for these purposes (links resolved, letter
// case ignored, hard links of one file alike).
bool SameFile(const QString& a, const QString& b);

// Holds the project and every output folder of a run for as long as it lives.
// Another run (in this process or another) that wants any of them is refused.
class CreateLock {
public:
    ~CreateLock();
    CreateLock(const CreateLock&) = delete;
    CreateLock& operator=(const CreateLock&) = delete;

    // The lock, or nullptr with `problem` saying who holds what.
    static std::unique_ptr<CreateLock> Acquire(const QString& projectFile,
                                               const QStringList& folders, QString& problem);

private:
    CreateLock() = default;
    std::vector<int> m_fds;
};
