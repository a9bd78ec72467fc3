// Starting the help compiler on the help project file. The compiler is the
// program registered as the default value of the App Paths key "hcw.exe" in
// HKEY_LOCAL_MACHINE, read through the registry component.
#pragma once

#include <QString>
#include <QStringList>

// 0 with the compiler's path, or the message to show:
// str::message::CompilerNotLoadedProperly when the App Paths key cannot be
// opened, str::message::CompilerNotLoaded when no compiler is registered.
int LookUpHelpCompiler(QString& strcompilerpath);

// The help compiler that comes with the program: qmt-hc beside it, or in the
// build tree's bin/ (QUILLMATE_BUILD_DIR) when run from there; empty when
// there is none. Used when no compiler is registered.
QString BuiltInHelpCompiler();

// The arguments the compiler is started with: "/c", "/e", "/m" and the help
// project path as one argument, blanks and all.
QStringList HelpCompilerArguments(const QString& helpProjectFileName);

enum class CompileWait {
    Detached,      // started and left to run on its own
    UntilFinished, // waited for; its status is the outcome; its output goes to ours
    // The built-in compiler is waited for and its output kept (it has no
    // window to show it); a registered one is left to run in its own window.
    BuiltInFinished,
};

struct CompileResult {
    bool started = false;
    bool finished = false; // waited for to its end
    int exitCode = 0;      // when finished
    QString compiler;      // the program started (or that failed to start)
    bool builtIn = false;  // Quillmate's own compiler, none being registered
    QString output;        // what it printed (BuiltInFinished only)
    // What went wrong, for the user: one of the compiler messages of the
    // string table (with the damaged settings file or the reason the program
    // did not start, and how to register a compiler), or the compiler's status.
    // Empty when the compiler did its part.
    QString message;
    // The compiler ran to its end with status 0, or was started and left to run.
    bool succeeded() const { return started && exitCode == 0; }
};

// Looks the compiler up (a registered one first, else the built-in one) and
// starts it; shows nothing. A crash counts as status -1. A compiler waited
// for blocks the calling thread until it ends: the window runs Create on a
// thread of its own.
CompileResult CompileHelpProject(const QString& helpProjectFileName,
                                 CompileWait wait = CompileWait::Detached);

// What the compile step did, in a sentence for the Create summary.
QString DescribeCompile(const CompileResult& result);
