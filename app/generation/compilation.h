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

enum class CompileWait { Detached, UntilFinished };

struct CompileResult {
    bool started = false;
    int exitCode = 0; // UntilFinished only
    // What went wrong, for the user: one of the compiler messages of the
    // string table (with the damaged settings file or the reason the program
    // did not start), or the compiler's status. Empty when the compiler did its part.
    QString message;
    // The compiler ran to its end with status 0 (UntilFinished), or was started (Detached).
    bool succeeded() const { return started && exitCode == 0; }
};

// Looks the compiler up (a registered one first, else the built-in one) and
// starts it; shows nothing. Detached leaves the
// compiler running on its own; UntilFinished waits for it and reports its
// exit status (a crash counts as status -1).
CompileResult CompileHelpProject(const QString& helpProjectFileName,
                                 CompileWait wait = CompileWait::Detached);
