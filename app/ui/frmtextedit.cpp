#include "frmtextedit.h"

#include "helppreview.h"
#include "icons.h"
#include "twips.h"
#include "uiutil.h"
#include "whatsthistexts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

constexpr int MinWidthTwips = 6200;
constexpr int MinHeightTwips = 2800;
constexpr int StartWidthTwips = 9600;
constexpr int StartHeightTwips = 6000;

// The size the author last gave the window, while the program runs.
QSize& rememberedSize() {
    static QSize size;
    return size;
}

// A selection's text with the editor's paragraph marks as line feeds.
QString plainSelection(const QTextCursor& cursor) {
    QString text = cursor.selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

} // namespace

FrmTextEdit::FrmTextEdit(QPlainTextEdit* target, QWidget* parent, HelpFonts fonts)
    : QDialog(parent), m_target(target), m_fonts(std::move(fonts)) {
    setObjectName(QStringLiteral("frmtextedit"));
    setWindowTitle(QStringLiteral("Quillmate Editor"));
    setSizeGripEnabled(true);

    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setIconSize(QSize(16, 16));

    rtbeditor = new QPlainTextEdit(this);
    rtbeditor->setObjectName(QStringLiteral("rtbeditor"));
    rtbeditor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    rtbeditor->viewport()->installEventFilter(this);

    // The topic as its page shows it, following the typing a moment after it pauses.
    txtzoompreview = new QTextBrowser(this);
    txtzoompreview->setObjectName(QStringLiteral("txtzoompreview"));
    m_preview = new QTimer(this);
    m_preview->setSingleShot(true);
    m_preview->setInterval(150);
    connect(m_preview, &QTimer::timeout, this, [this] { ShowPreview(); });
    connect(rtbeditor, &QPlainTextEdit::textChanged, m_preview, qOverload<>(&QTimer::start));

    cmdzoombuttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    cmdzoombuttons->setObjectName(QStringLiteral("cmdzoombuttons"));
    connect(cmdzoombuttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(cmdzoombuttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // The text and its preview fill everything between the toolbar and the buttons.
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(rtbeditor);
    split->addWidget(txtzoompreview);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->setSpacing(0);
    layout->addWidget(Toolbar1);
    layout->addWidget(split, 1);
    layout->addWidget(cmdzoombuttons);

    SetupToolbar();
    SetupEditingMenu();

    const qreal dpi = logicalDpiX();
    setMinimumSize(minimumWindowSize());
    resize(rememberedSize().isValid() ? rememberedSize()
                                      : QSize(twips::toPixels(StartWidthTwips, dpi),
                                              twips::toPixels(StartHeightTwips, dpi)));

    if (m_target)
        rtbeditor->setPlainText(m_target->toPlainText());
    ShowPreview();

    // Plain text has no formatting and no alignment: those buttons stay out of sight.
    for (int index :
         {BtnBold, BtnItalic, BtnUnderline, BtnFont, BtnAlignLeft, BtnAlignCenter, BtnAlignRight})
        toolbarButton(index)->setVisible(false);
    toolbarButton(BtnSep2)->setVisible(false);
    ui::applyWhatsThisTexts(this);
}

QSize FrmTextEdit::minimumWindowSize() const {
    return {twips::toPixels(MinWidthTwips, logicalDpiX()),
            twips::toPixels(MinHeightTwips, logicalDpiY())};
}

QAction* FrmTextEdit::toolbarButton(int index) const {
    const QList<QAction*> actions = Toolbar1->actions();
    return index >= 1 && index <= actions.size() ? actions.at(index - 1) : nullptr;
}

void FrmTextEdit::SetupToolbar() {
    struct ButtonDef {
        const char* tip;
        const char* picture; // under :/icons/editor/
        void (FrmTextEdit::*command)();
    };
    // Tool tips as designed, including the capital L of "ALign Right".
    const ButtonDef buttons[] = {
        {"Cut", "cut", &FrmTextEdit::TextCut},
        {"Copy", "copy", &FrmTextEdit::TextCopy},
        {"Paste", "paste", &FrmTextEdit::TextPaste},
        {nullptr, nullptr, nullptr},
        {"Bold", "bold", &FrmTextEdit::TextBold},
        {"Italic", "italic", &FrmTextEdit::TextItalic},
        {"Underline", "underline", &FrmTextEdit::TextUnderline},
        {"Font - 7", "font", &FrmTextEdit::TextFont},
        {nullptr, nullptr, nullptr},
        {"Align Left", "align-left", &FrmTextEdit::TextAlignLeft},
        {"Align Center", "align-center", &FrmTextEdit::TextAlignCenter},
        {"ALign Right", "align-right", &FrmTextEdit::TextAlignRight},
    };
    int index = 0;
    for (const ButtonDef& b : buttons) {
        ++index;
        if (!b.tip) {
            Toolbar1->addSeparator();
            continue;
        }
        const QString tip = QString::fromLatin1(b.tip);
        QAction* action = Toolbar1->addAction(
            ui::picture(QStringLiteral("editor/") + QLatin1String(b.picture)), tip);
        // Named by index, as the main window's toolbar buttons are.
        action->setObjectName(QStringLiteral("Toolbar1_") + QString::number(index));
        action->setToolTip(tip);
        connect(action, &QAction::triggered, this, b.command);
    }
}

void FrmTextEdit::SetupEditingMenu() {
    mnuediting = new QMenu(QStringLiteral("Editing"), this);
    mnuediting->setObjectName(QStringLiteral("mnuediting"));
    auto item = [this](const char* name, const char* caption, void (FrmTextEdit::*command)()) {
        QAction* action = mnuediting->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        action->setEnabled(false);
        connect(action, &QAction::triggered, this, command);
        return action;
    };
    mnucut = item("mnucut", "Cut", &FrmTextEdit::TextCut);
    mnucopy = item("mnucopy", "Copy", &FrmTextEdit::TextCopy);
    mnupaste = item("mnupaste", "Paste", &FrmTextEdit::TextPaste);
}

void FrmTextEdit::UpdateEditingMenu() {
    mnupaste->setEnabled(!QApplication::clipboard()->text().isEmpty());
    const bool selected = rtbeditor->textCursor().hasSelection();
    mnucopy->setEnabled(selected);
    mnucut->setEnabled(selected);
}

void FrmTextEdit::ShowEditingMenu(const QPoint& globalPos) {
    UpdateEditingMenu();
    mnuediting->popup(globalPos);
}

bool FrmTextEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == rtbeditor->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::RightButton) {
                ShowEditingMenu(mouse->globalPosition().toPoint());
                return true;
            }
        } else if (event->type() == QEvent::ContextMenu) {
            // Our menu replaces the text box's own; the menu key opens it at the caret.
            auto* menuEvent = static_cast<QContextMenuEvent*>(event);
            if (menuEvent->reason() == QContextMenuEvent::Keyboard)
                ShowEditingMenu(
                    rtbeditor->viewport()->mapToGlobal(rtbeditor->cursorRect().bottomLeft()));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmTextEdit::TextCopy() {
    const QTextCursor cursor = rtbeditor->textCursor();
    if (!cursor.hasSelection())
        return;
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(plainSelection(cursor));
}

void FrmTextEdit::TextCut() {
    QTextCursor cursor = rtbeditor->textCursor();
    if (!cursor.hasSelection())
        return;
    TextCopy();
    cursor.removeSelectedText();
    rtbeditor->setTextCursor(cursor);
}

void FrmTextEdit::TextPaste() {
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    QTextCursor cursor = rtbeditor->textCursor();
    cursor.insertText(text);
    rtbeditor->setTextCursor(cursor);
}

void FrmTextEdit::CopyBackToTarget() {
    if (!m_target)
        return;
    const QString text = rtbeditor->toPlainText();
    // Setting the same text again would only wipe the field's undo history.
    if (m_target->toPlainText() != text)
        m_target->setPlainText(text);
}

void FrmTextEdit::done(int result) {
    // OK keeps the edits; Cancel, Escape and the close box drop them.
    if (result == QDialog::Accepted)
        CopyBackToTarget();
    rememberedSize() = size();
    QDialog::done(result);
}

void FrmTextEdit::ShowPreview() {
    txtzoompreview->setHtml(ui::HelpPreviewHtml(QString(), ui::storedText(rtbeditor), m_fonts));
}
