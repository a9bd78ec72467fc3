// Building the compiled HTML Help file (.chm) from its help project file.
//
// The compiler is the command registered as the default value of the App
// Paths key "hhc.exe" in HKEY_LOCAL_MACHINE, else Free Pascal's chmcmd on the
// PATH. It works on a copy of the project in a hidden folder beside the
// project file and writes a temporary help file there. The result counts only
// when the compiler reported no error and the file, read back, holds every
// page, the contents and index files and every context ID leading to its
// page inside the file; only then does it replace the old help file.
//
// chmcmd stores each context ID's page with the absolute path it had on the
// compiling machine. For a project with context IDs it therefore runs with
// the copy of the project as its root folder (a private mount namespace made
// with unshare, a chroot), so that the pages are stored as "/folder/page.htm".
#pragma once

#include <QString>
#include <functional>

struct HtmlHelpBuild {
    QString compiledFile; // the help file written
    QString compiler;     // the program that compiled it
    int pages = 0;        // pages checked in the file
    int contextIds = 0;   // context IDs checked in the file
};

// 0 with the registered command's path, or non-zero when the App Paths key or
// its "hhc.exe" value is missing or empty.
int LookUpHtmlHelpCompiler(QString& strcompilerpath);

// Compiles `helpProjectFileName`, checks the result and puts it in place of
// the help file the project names. `idle` runs now and then while the
// compiler works. Throws fileio::FileWriteError naming the help file (or the
// project file) and the reason; the old help file then stays as it was.
HtmlHelpBuild CompileHtmlHelp(const QString& helpProjectFileName,
                              const std::function<void()>& idle = {});

// The same for the Create command, throwing nothing: whether the help file
// was built and checked, and a sentence for the user either way.
struct HtmlHelpBuildOutcome {
    bool done = false;
    QString message;
    HtmlHelpBuild build;
};
HtmlHelpBuildOutcome BuildHtmlHelpFile(const QString& helpProjectFileName,
                                       const std::function<void()>& idle = {});
