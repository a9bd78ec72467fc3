#include "tabpage.h"

#include "ui/frmmain.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

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
    const QString chosen = box->currentText();
    {
        const QuietChanges quiet(*this);
        showText(box, m_previousText.value(box));
    }
    if (!w.confirmLeaving(*this))
        return false;
    const QuietChanges quiet(*this);
    showText(box, chosen);
    return true;
}

void TabPage::onPick(QComboBox* box, std::function<void()> picked, bool ask) {
    m_currentText[box] = box->currentText();
    connect(box, &QComboBox::currentTextChanged, this, [this, box](const QString& text) {
        m_previousText[box] = m_currentText.value(box);
        m_currentText[box] = text;
    });
    // The mouse, Enter, the arrow keys and typing an item's text all
    // activate it.
    connect(box, &QComboBox::activated, this, [this, box, picked, ask] {
        if (m_quiet || (ask && !askBeforeReplacing(box)))
            return;
        picked();
    });
}

void TabPage::watch(QAbstractButton* button) {
    connect(button, &QAbstractButton::clicked, this, [this] { edited(); });
}
