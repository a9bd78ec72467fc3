// Seams for modal dialogs and program starts. The window layer installs
// handlers that show real dialogs; tests install handlers that answer at once.
// Without a handler, a message goes to standard error and is answered OK.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace shell {

// Message-box flags and answers as the system's callers use them.
enum MsgBoxFlags : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbYesNoCancel = 3,   // shown as Save, Discard, Cancel
    vbDiscardCancel = 6, // Discard (vbNo) or Cancel
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
};
enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };

struct MessageRequest {
    QString text;
    int flags = vbOKOnly;
    QString title; // empty: the application's title
    // Captions of the buttons, first the default, last the one Escape
    // presses; empty: the buttons of `flags`.
    QStringList buttons = {};
};
using MessageHandler = std::function<int(const MessageRequest&)>;

// Shows a message box and returns the button pressed (vbOK, vbCancel, vbYes, vbNo).
int MsgBox(const QString& text, int flags = vbOKOnly, const QString& title = QString());
// Shows a message box with the given buttons and returns the index of the one
// pressed. A handler answers 1 for the first button, 2 for the second ...;
// any other answer (the box closed) counts as the last button.
int Choose(const QString& text, const QStringList& buttons, int flags = vbQuestion,
           const QString& title = QString());
// Installs a handler; returns the previous one.
MessageHandler setMessageHandler(MessageHandler handler);

struct FileDialogRequest {
    QString filter;      // "Description (*.EXT)|*.EXT" pairs, as in the string table
    QString defaultName; // initial file name
    bool save = false;
};
using FileDialogHandler = std::function<QString(const FileDialogRequest&)>;

// Asks for a file; returns the chosen path or an empty text when cancelled.
QString askFileName(const FileDialogRequest& request);
FileDialogHandler setFileDialogHandler(FileDialogHandler handler);

// "Description (*.EXT)|*.EXT|..." to Qt's "Description (*.EXT);;..." form.
QString qtFilterFromPipeFilter(const QString& filter);

} // namespace shell
