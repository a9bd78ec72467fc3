// Building the compiled HTML Help file (.chm) from its help project file.
//
// A compiler registered as the default value of the App Paths key "hhc.exe"
// in HKEY_LOCAL_MACHINE wins: it works on a copy of the project in a hidden
// folder beside the project file and writes a temporary help file there.
// Without one, the built-in compiler (formats/chm, also the program qmt-hhc)
// compiles the project in this process. The result counts only when the
// compiler reported no error and the file, read back, holds every page, the
// contents and index files and every context ID leading to its page inside
// the file; only then does it replace the old help file.
#pragma once

#include <QString>
#include <QStringList>

struct HtmlHelpBuild {
    QString compiledFile; // the help file written
    QString compiler;     // the program that compiled it; empty: the built-in one
    int pages = 0;        // pages checked in the file
    int contextIds = 0;   // context IDs checked in the file
    QStringList warnings; // the built-in compiler's, "file(line): warning: text"
};

// 0 with the registered command's path, or non-zero when the App Paths key or
// its "hhc.exe" value is missing or empty.
int LookUpHtmlHelpCompiler(QString& strcompilerpath);

// Compiles `helpProjectFileName`, checks the result and puts it in place of
// the help file the project names; the calling thread waits for the
// compiler. Throws fileio::FileWriteError naming the help file (or the
// project file) and the reason; the old help file then stays as it was.
HtmlHelpBuild CompileHtmlHelp(const QString& helpProjectFileName);

// The same for the Create command, throwing nothing: whether the help file
// was built and checked, and a sentence for the user either way.
struct HtmlHelpBuildOutcome {
    bool done = false;
    QString message;
    HtmlHelpBuild build;
};
HtmlHelpBuildOutcome BuildHtmlHelpFile(const QString& helpProjectFileName);
