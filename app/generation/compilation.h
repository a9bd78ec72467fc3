// Starting the help compiler on the help project file. The compiler is the
// program registered as the default value of the App Paths key "hcw.exe" in
// HKEY_LOCAL_MACHINE, read through the registry component.
#pragma once

#include <QString>
#include <QStringList>

// 0 with the compiler's path, or the number of the message to show: 556 when
// the App Paths key cannot be opened, 555 when no compiler is registered.
int LookUpHelpCompiler(QString& strcompilerpath);

// The arguments the compiler is started with: "/c", "/e", "/m" and the help
// project path as one argument, blanks and all.
QStringList HelpCompilerArguments(const QString& helpProjectFileName);

enum class CompileWait { Detached, UntilFinished };

struct CompileResult {
    bool started = false;
    int exitCode = 0; // UntilFinished only
    // What went wrong, for the user: message 556, 555 or 554 (with the
    // damaged settings file or the reason the program did not start), or the
    // compiler's status. Empty when the compiler did its part.
    QString message;
    // The compiler ran to its end with status 0 (UntilFinished), or was started (Detached).
    bool succeeded() const { return started && exitCode == 0; }
};

// Looks the compiler up and starts it; shows nothing. Detached leaves the
// compiler running on its own; UntilFinished waits for it and reports its
// exit status (a crash counts as status -1).
CompileResult CompileHelpProject(const QString& helpProjectFileName,
                                 CompileWait wait = CompileWait::Detached);
