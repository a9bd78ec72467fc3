// The preview of a help text beside its editor: the text as the help file
// shows it, its codes read by the same interpreter, in the project's fonts
// and colours (the lists Create declares in the topic file).
#pragma once

#include "generation/helpfonts.h"

#include <QString>
#include <QStringView>

namespace ui {

// HTML for a QTextBrowser: the heading (none when empty), then the text. \fN
// and \cfN name the project's faces and colours; text without \fN is in the
// face Create writes a topic's text in.
QString HelpPreviewHtml(const QString& heading, QStringView text, const HelpFonts& fonts);

} // namespace ui
