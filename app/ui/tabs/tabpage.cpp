#include "tabpage.h"

#include "rtf/helptext.h"
#include "shell/dialogs.h"
#include "ui/commandguard.h"
#include "ui/frmmain.h"
#include "ui/uiutil.h"
#include "workspace/textrules.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>

TabPage::TabPage(FrmMain& window, QString name) : w(window), m_name(std::move(name)) {}

Session& TabPage::session() {
    return w.session();
}

void TabPage::setModified(bool modified) {
    if (m_modified == modified)
        return;
    m_modified = modified;
    w.updateTitle();
}

void TabPage::edited() {
    if (!m_quiet && session().isOpen())
        setModified(true);
}

void TabPage::watch(QLineEdit* edit) {
    connect(edit, &QLineEdit::textEdited, this, [this] { edited(); });
}

void TabPage::watch(QComboBox* box) {
    if (box->lineEdit())
        watch(box->lineEdit());
}

void TabPage::watch(QPlainTextEdit* edit) {
    // The zoom editor writes its text back as the author's edit.
    connect(edit, &QPlainTextEdit::textChanged, this, [this] { edited(); });
}

// Shows `text` in the list, as its item when it has one, so that the arrow
// keys go on from there.
static void showText(QComboBox* box, const QString& text) {
    const int index = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    box->setCurrentIndex(index);
    if (index < 0)
        box->setEditText(text);
}

bool TabPage::askBeforeReplacing(QComboBox* box) {
    if (!m_modified)
        return true;
    const QString shown = m_lists.value(box).shown;
    const QString chosen = box->currentText();
    {
        const QuietChanges quiet(*this);
        showText(box, shown);
    }
    if (!w.confirmLeaving(*this)) {
        // A box that showed no record keeps what the author typed into it.
        if (shown.isEmpty()) {
            const QuietChanges quiet(*this);
            showText(box, chosen);
        }
        return false;
    }
    const QuietChanges quiet(*this);
    showText(box, chosen);
    return true;
}

void TabPage::onPick(QComboBox* box, std::function<void()> picked, bool ask) {
    m_lists[box].current = box->currentText();
    QLineEdit* edit = box->lineEdit();
    connect(box, &QComboBox::currentTextChanged, this, [this, box](const QString& text) {
        ListTexts& texts = m_lists[box];
        if (m_quiet)
            texts.typing = false; // the program showed a record
        texts.previous = texts.current;
        texts.current = text;
    });
    if (edit) {
        connect(edit, &QLineEdit::textEdited, this, [this, box](const QString& text) {
            ListTexts& texts = m_lists[box];
            if (!texts.typing) {
                // The list may have told of this edit already, or not yet.
                texts.beforeTyping = texts.current == text ? texts.previous : texts.current;
                texts.typing = true;
            }
            texts.typed = text;
        });
    }
    // The record the author's changes belong to is the one shown before the
    // item was chosen, or before the typing that chose it began.
    const auto choose = [this, box, picked, ask] {
        ListTexts& texts = m_lists[box];
        const bool byTyping =
            texts.typing && box->currentText().compare(texts.typed, Qt::CaseInsensitive) == 0;
        texts.shown = byTyping ? texts.beforeTyping : texts.previous;
        texts.typing = false;
        if (m_quiet || (ask && !askBeforeReplacing(box)))
            return;
        picked();
    };
    // The mouse, Enter, the arrow keys, and typing an item's whole text and
    // leaving the list all activate the item.
    connect(box, &QComboBox::activated, this, choose);
}

void TabPage::watch(QAbstractButton* button) {
    connect(button, &QAbstractButton::clicked, this, [this] { edited(); });
}

bool TabPage::confirmDelete(const QString& what) {
    return shell::MsgBox(
               QStringLiteral("Delete %1? It is removed from the project at once.").arg(what),
               shell::vbQuestion + shell::vbOKCancel) == shell::vbOK;
}

void TabPage::told(const QString& message) {
    w.statusBar()->showMessage(message, 8000);
}

QString TabPage::confirmCodes(const QString& owner, QPlainTextEdit* edit) {
    const QString text = ui::storedText(edit);
    const std::vector<rtf::TextProblem> problems = rtf::CheckHelpText(text);
    if (problems.empty())
        return text;
    const QString doubled = textrules::DoubleStrayBackslashes(text);
    QStringList choices{QStringLiteral("Save as &typed"), QStringLiteral("&Go back")};
    if (doubled != text)
        choices.prepend(QStringLiteral("&Double the backslashes"));
    const int choice =
        shell::Choose(owner +
                          QStringLiteral(" has a help text that will not show in the help "
                                         "file as typed:\n\n") +
                          rtf::DescribeProblems(problems),
                      choices, shell::vbExclamation);
    if (choice == choices.size() - 1)
        throw ui::Cancelled();
    if (doubled == text || choice == 1)
        return text;
    ui::showStoredText(edit, doubled); // the author's text, mended: the tab's edit
    return doubled;
}
