// frmtextedit: a larger window for editing the help text of a general help
// topic. It loads the text of the field it was opened on and copies its text
// back into that field whenever it closes.
#pragma once

#include <QDialog>
#include <QPointer>

class QAction;
class QMenu;
class QPlainTextEdit;
class QToolBar;

class FrmTextEdit : public QDialog {
    Q_OBJECT

public:
    // The toolbar's buttons, 1-based in toolbar order (4 and 9 are separators).
    enum Button : int {
        BtnCut = 1,
        BtnCopy,
        BtnPaste,
        BtnSep1,
        BtnBold,
        BtnItalic,
        BtnUnderline,
        BtnFont,
        BtnSep2,
        BtnAlignLeft,
        BtnAlignCenter,
        BtnAlignRight
    };

    explicit FrmTextEdit(QPlainTextEdit* target, QWidget* parent = nullptr);

    // The smallest size of the window, 6200 x 2800 twips on this screen.
    QSize minimumWindowSize() const;
    // The toolbar's action for a button index (1 to 12).
    QAction* toolbarButton(int index) const;

    // Enables the pop-up menu's items: Paste when the clipboard holds text,
    // Cut and Copy when the selection is not empty.
    void UpdateEditingMenu();

    void TextCut();
    void TextCopy();
    void TextPaste();
    // Plain text carries no formatting: these change nothing.
    void TextBold() {}
    void TextItalic() {}
    void TextUnderline() {}
    void TextFont() {}
    void TextAlignLeft() {}
    void TextAlignCenter() {}
    void TextAlignRight() {}

    QToolBar* Toolbar1 = nullptr;
    QPlainTextEdit* rtbeditor = nullptr;
    QMenu* mnuediting = nullptr;
    QAction* mnucut = nullptr;
    QAction* mnucopy = nullptr;
    QAction* mnupaste = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void SetupToolbar();
    void SetupEditingMenu();
    void ShowEditingMenu(const QPoint& globalPos);
    void CopyBackToTarget();

    QPointer<QPlainTextEdit> m_target;
};
