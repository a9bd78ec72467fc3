// The main window in a test: message boxes and file dialogs scripted, the
// window shown offscreen, and its controls driven as a user drives them.
#pragma once

#include "shell/dialogs.h"
#include "ui/frmmain.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QtTest>
#include <memory>

namespace testenv {

// Message boxes and file dialogs for the life of the object. Each message box
// is recorded and answered from `answers` in turn (when none is left: OK, or
// Discard for the question about unsaved changes);
// each file dialog is recorded and answered from `fileNames` (an empty name,
// Cancel, when none is left).
class DialogScript {
public:
    DialogScript() {
        shell::setMessageHandler([this](const shell::MessageRequest& request) {
            messages << request;
            if (!answers.isEmpty())
                return answers.takeFirst();
            // Unsaved changes are discarded unless a test says otherwise.
            return (request.flags & 0x7) == shell::vbYesNoCancel ? int(shell::vbNo)
                                                                 : int(shell::vbOK);
        });
        shell::setFileDialogHandler([this](const shell::FileDialogRequest& request) {
            dialogs << request;
            return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
        });
    }
    ~DialogScript() {
        shell::setMessageHandler({});
        shell::setFileDialogHandler({});
    }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    // The texts of the message boxes shown so far.
    QStringList texts() const {
        QStringList out;
        for (const shell::MessageRequest& m : messages)
            out << m.text;
        return out;
    }
    void clear() {
        messages.clear();
        dialogs.clear();
    }

    QList<shell::MessageRequest> messages;
    QList<int> answers;
    QList<shell::FileDialogRequest> dialogs;
    QStringList fileNames;
};

// A main window shown and exposed, its captions loaded.
inline std::unique_ptr<FrmMain> shownWindow() {
    auto w = std::make_unique<FrmMain>();
    w->LoadStrings(); // captions give the buttons their size
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        qWarning("the window was not exposed");
    return w;
}

// Chooses a tab as a user clicks it, and lets its layout settle.
inline void selectTab(FrmMain& w, int tab) {
    QTabBar* bar = w.tabqmt;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab - 1).center());
    QCoreApplication::processEvents();
}

// Replaces the text of a text box, list or text area as a user types it.
inline void retype(QWidget* field, const QString& text) {
    QWidget* target = field;
    if (auto* box = qobject_cast<QComboBox*>(field))
        target = box->lineEdit();
    target->setFocus();
    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_Delete);
    if (!text.isEmpty())
        QTest::keyClicks(target, text);
}

// Chooses an item of a list with the arrow keys, as a user picks it.
inline bool choose(QComboBox* box, const QString& text) {
    const int target = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (target < 0)
        return false;
    box->setFocus();
    for (int guard = 0; guard <= box->count() && box->currentIndex() != target; ++guard)
        QTest::keyClick(box, box->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
    return box->currentText() == text;
}

// Clicks a button; check boxes and option buttons take clicks on their box
// and caption only, which a stretched control may not have at its centre.
inline void click(QAbstractButton* button) {
    const bool box = qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button);
    QTest::mouseClick(button, Qt::LeftButton, {},
                      box ? QPoint(6, button->height() / 2) : button->rect().center());
}

// The items of a list.
inline QStringList items(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

} // namespace testenv
