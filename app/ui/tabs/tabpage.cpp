#include "tabpage.h"

#include "listutil.h"
#include "rtf/helptext.h"
#include "shell/dialogs.h"
#include "ui/commandguard.h"
#include "ui/uiutil.h"
#include "workspace/session.h"
#include "workspace/textrules.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>

TabPage::TabPage(TabContext& context, QString name) : m_context(context), m_name(std::move(name)) {}

void TabPage::setModified(bool modified) {
    if (m_modified == modified)
        return;
    m_modified = modified;
    emit modifiedChanged();
}

void TabPage::projectOpened() {
    // A filled list has nothing selected until the author picks an entry; a
    // list over the project's topics keeps its items.
    const QuietChanges quiet(*this);
    for (QComboBox* box : findChildren<QComboBox*>()) {
        const QSignalBlocker blocker(box);
        if (box->model()->parent() == box)
            box->clear();
        else
            box->setCurrentIndex(-1);
        if (box->isEditable())
            box->clearEditText();
    }
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        if (!qobject_cast<QComboBox*>(edit->parentWidget()))
            edit->clear();
    }
    for (QPlainTextEdit* edit : findChildren<QPlainTextEdit*>())
        edit->clear();
    setModified(false);
}

bool TabPage::confirmChanges() {
    if (!m_modified || !session().isOpen())
        return true;
    const bool saveable = checkForOk().ok.value_or(false);
    if (!saveable) {
        const int answer = shell::MsgBox(
            tr("The %1 tab has changes that cannot be saved as they are. Discard them?")
                .arg(m_name),
            shell::vbQuestion + shell::vbDiscardCancel);
        if (answer != shell::vbNo)
            return false;
        discard();
        setModified(false);
        return true;
    }
    const int answer =
        shell::MsgBox(tr("The %1 tab has changes that are not saved. Save them?").arg(m_name),
                      shell::vbQuestion + shell::vbYesNoCancel);
    if (answer == shell::vbYes) {
        if (!ui::runCommand([this] { save(); }, [this](int id) { return field(id); }))
            return false;
        setModified(false);
        return true;
    }
    if (answer == shell::vbNo) {
        discard();
        setModified(false);
        return true;
    }
    return false;
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

bool TabPage::askBeforeReplacing(QComboBox* box) {
    if (!m_modified)
        return true;
    const QString shown = m_lists.value(box).shown;
    const QString chosen = box->currentText();
    {
        const QuietChanges quiet(*this);
        ui::showText(box, shown);
    }
    if (!confirmChanges()) {
        // A box that showed no record keeps what the author typed into it.
        if (shown.isEmpty()) {
            const QuietChanges quiet(*this);
            ui::showText(box, chosen);
        }
        return false;
    }
    const QuietChanges quiet(*this);
    ui::showText(box, chosen);
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
    return shell::MsgBox(tr("Delete %1? It is removed from the project at once.").arg(what),
                         shell::vbQuestion + shell::vbOKCancel) == shell::vbOK;
}

void TabPage::told(const QString& message) {
    emit status(message, 8000);
}

QString TabPage::confirmCodes(const QString& owner, QPlainTextEdit* edit) {
    const QString text = ui::storedText(edit);
    const std::vector<rtf::TextProblem> problems = rtf::CheckHelpText(text);
    if (problems.empty())
        return text;
    const QString doubled = textrules::DoubleStrayBackslashes(text);
    QStringList choices{tr("Save as &typed"), tr("&Go back")};
    if (doubled != text)
        choices.prepend(tr("&Double the backslashes"));
    const int choice = shell::Choose(
        owner + tr(" has a help text that will not show in the help file as typed:\n\n") +
            rtf::DescribeProblems(problems),
        choices, shell::vbExclamation);
    if (choice == choices.size() - 1)
        throw ui::Cancelled();
    if (doubled == text || choice == 1)
        return text;
    ui::showStoredText(edit, doubled); // the author's text, mended: the tab's edit
    return doubled;
}
