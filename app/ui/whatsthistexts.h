// What's This texts: a short explanation of each control and command of the
// main window and of the text editor window, by the control's object name.
// The author sees one by clicking a control in What's This mode (Help, What's
// This, or the toolbar's Help button).
#pragma once

#include <span>

class QWidget;

namespace ui {

struct WhatsThisText {
    const char* name; // the control's or command's object name
    const char* text; // plain sentences, in the help author's terms
};

// The texts of the main window (FrmMain) and of the text editor (frmtextedit).
std::span<const WhatsThisText> mainWindowWhatsThisTexts();
std::span<const WhatsThisText> editorWhatsThisTexts();
// The texts for a window, chosen by its object name; none for another window.
std::span<const WhatsThisText> whatsThisTexts(const QWidget* window);

// Gives each named control, menu and command of the window its text. A
// label shows the text of the field it names (its buddy). Windows inside the
// window that have texts of their own are left to their own call.
void applyWhatsThisTexts(QWidget* window);

} // namespace ui
