#include "frmtextedit.h"

#include "twips.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHideEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

constexpr int MinWidthTwips = 6200;
constexpr int MinHeightTwips = 2800;
constexpr int StartWidthTwips = 9600;
constexpr int StartHeightTwips = 6000;

// The toolbar's pictures, drawn on a 32-unit grid so they scale cleanly.
// Numbers follow the image list: 1 cut, 2 copy, 3 paste, 4 underline,
// 5 italic, 6 bold, 7 font, 8-10 align left, centre, right.
QIcon editorPicture(int picture) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x33, 0x3a, 0x4a);
    const QColor paper(0xfb, 0xfb, 0xf6);
    const QColor accent(0x2f, 0x6f, 0xb3);
    p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));

    auto page = [&](const QRectF& r) {
        p.setBrush(paper);
        p.drawRect(r);
        p.setPen(QPen(accent, 1.5));
        for (qreal y = r.top() + 5; y < r.bottom() - 2; y += 4)
            p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3, y));
        p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    };
    auto letter = [&](const QString& text, bool bold, bool italic, bool underline) {
        QFont font(QStringLiteral("Serif"));
        font.setPixelSize(24);
        font.setBold(bold);
        font.setItalic(italic);
        font.setUnderline(underline);
        p.setFont(font);
        p.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, text);
    };
    auto lines = [&](Qt::Alignment align) {
        const int widths[] = {24, 16, 24, 12, 20};
        for (int i = 0; i < 5; ++i) {
            const int w = widths[i];
            const int x = align == Qt::AlignLeft    ? 4
                          : align == Qt::AlignRight ? 28 - w
                                                    : 16 - w / 2;
            p.drawLine(x, 6 + i * 5, x + w, 6 + i * 5);
        }
    };

    switch (picture) {
    case 1: // cut: two blades over two rings
        p.drawLine(11, 4, 21, 20);
        p.drawLine(21, 4, 11, 20);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(accent, 2.5));
        p.drawEllipse(QPointF(9, 24), 4.5, 4.5);
        p.drawEllipse(QPointF(23, 24), 4.5, 4.5);
        break;
    case 2: // copy: two pages
        page(QRectF(4, 3, 16, 20));
        page(QRectF(12, 9, 16, 20));
        break;
    case 3: // paste: a page on a clipboard
        p.setBrush(QColor(0xc8, 0x9b, 0x5a));
        p.drawRoundedRect(QRectF(4, 5, 20, 24), 2, 2);
        p.setBrush(ink);
        p.drawRect(QRectF(10, 3, 8, 4));
        page(QRectF(14, 12, 14, 17));
        break;
    case 4:
        letter(QStringLiteral("U"), false, false, true);
        break;
    case 5:
        letter(QStringLiteral("I"), false, true, false);
        break;
    case 6:
        letter(QStringLiteral("B"), true, false, false);
        break;
    case 7:
        letter(QStringLiteral("A"), false, false, false);
        p.setPen(QPen(accent, 2));
        p.drawLine(4, 29, 28, 29);
        break;
    case 8:
        lines(Qt::AlignLeft);
        break;
    case 9:
        lines(Qt::AlignHCenter);
        break;
    case 10:
        lines(Qt::AlignRight);
        break;
    default:
        break;
    }
    return QIcon(pixmap);
}

// A selection's text with the editor's paragraph marks as line feeds.
QString plainSelection(const QTextCursor& cursor) {
    QString text = cursor.selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

} // namespace

FrmTextEdit::FrmTextEdit(QPlainTextEdit* target, QWidget* parent)
    : QDialog(parent), m_target(target) {
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

    // The text box fills everything below the toolbar.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Toolbar1);
    layout->addWidget(rtbeditor, 1);

    SetupToolbar();
    SetupEditingMenu();

    const qreal dpi = logicalDpiX();
    setMinimumSize(minimumWindowSize());
    resize(twips::toPixels(StartWidthTwips, dpi), twips::toPixels(StartHeightTwips, dpi));

    if (m_target)
        rtbeditor->setPlainText(m_target->toPlainText());

    // The formatting buttons do nothing in plain text, so they stay out of sight.
    for (int index : {BtnBold, BtnItalic, BtnUnderline, BtnFont})
        toolbarButton(index)->setVisible(false);
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
        int picture;
        void (FrmTextEdit::*command)();
    };
    // Tool tips as designed, including the capital L of "ALign Right".
    const ButtonDef buttons[] = {
        {"Cut", 1, &FrmTextEdit::TextCut},
        {"Copy", 2, &FrmTextEdit::TextCopy},
        {"Paste", 3, &FrmTextEdit::TextPaste},
        {nullptr, 0, nullptr},
        {"Bold", 6, &FrmTextEdit::TextBold},
        {"Italic", 5, &FrmTextEdit::TextItalic},
        {"Underline", 4, &FrmTextEdit::TextUnderline},
        {"Font - 7", 7, &FrmTextEdit::TextFont},
        {nullptr, 0, nullptr},
        {"Align Left", 8, &FrmTextEdit::TextAlignLeft},
        {"Align Center", 9, &FrmTextEdit::TextAlignCenter},
        {"ALign Right", 10, &FrmTextEdit::TextAlignRight},
    };
    for (const ButtonDef& b : buttons) {
        if (!b.tip) {
            Toolbar1->addSeparator();
            continue;
        }
        const QString tip = QString::fromLatin1(b.tip);
        QAction* action = Toolbar1->addAction(editorPicture(b.picture), tip);
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

void FrmTextEdit::hideEvent(QHideEvent* event) {
    // Every way of closing (button, Escape, the window's close box) hides the window.
    if (!event->spontaneous())
        CopyBackToTarget();
    QDialog::hideEvent(event);
}
