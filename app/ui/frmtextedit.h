// frmtextedit: a larger window for editing the help text of a general help
// topic, with the topic's preview beside it. It loads the text of the field
// it was opened on; OK copies its text back into that field, Cancel, Escape
// and the close box leave the field as it was. Its size is kept for the next
// time it opens while the program runs.
#pragma once

#include "generation/helpfonts.h"

#include <QDialog>
#include <QPointer>

class QAction;
class QMenu;
class QDialogButtonBox;
class QPlainTextEdit;
class QTextBrowser;
class QTimer;
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

    // The preview shows the text in `fonts`, the project's fonts and colours.
    explicit FrmTextEdit(QPlainTextEdit* target, QWidget* parent = nullptr, HelpFonts fonts = {});

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
    // Plain text carries no formatting and no alignment (the help text's own
    // codes do): these change nothing, and their buttons are not shown.
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
    QTextBrowser* txtzoompreview = nullptr;
    QDialogButtonBox* cmdzoombuttons = nullptr;

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetupToolbar();
    void SetupEditingMenu();
    void ShowEditingMenu(const QPoint& globalPos);
    void CopyBackToTarget();
    void ShowPreview();

    QPointer<QPlainTextEdit> m_target;
    HelpFonts m_fonts;
    QTimer* m_preview = nullptr;
};
