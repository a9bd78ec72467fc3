// The desktop's services the window uses: opening a file or address with the
// desktop's opener, and showing a help file.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace desktop {

// Help commands of WinHelp.
enum HelpCommand : int {
    HELP_CONTEXT = 1,
    HELP_QUIT = 2,
    HELP_INDEX = 3,
    HELP_FINDER = 11,
    HELP_TAB = 15
};

// Opens a file or an address with the desktop's opener, else a file with a
// viewer known for its kind (viewersFor); false when nothing can open it.
bool openWithDesktop(const QString& target);

// The command lines of the viewers known for the file's kind that are found
// on PATH, in the order they are tried: kchmviewer or xchm for .chm, Wine's
// winhlp32 for .hlp.
QList<QStringList> viewersFor(const QString& file);

// Replaces the opener (tests); an empty handler restores the desktop's. Returns the previous one.
using Opener = std::function<bool(const QString&)>;
Opener setOpener(Opener opener);

// The program's own help: <prefix>/share/quillmate/help/index.html beside the program.
QString programHelpPath();

// Shows a help file. "Qmt.hlp" (any letter case, with or without a folder)
// stands for the program's own help, shown inside the program when nothing
// else can show it; other files go to the desktop's opener.
// False when nothing could show it (see whyNotOpened).
bool WinHelp(QWidget* owner, const QString& helpFile, int command, int data);

// Why `target` could not be opened, in a sentence naming it and what failed:
// no name, no such file, or no program to show it (naming the viewers tried).
QString whyNotOpened(const QString& target);

// The user guide bundled with the program, in a window of its own.
QWidget* showProgramGuide(QWidget* owner);

} // namespace desktop
