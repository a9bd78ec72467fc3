#include "helppreview.h"

#include "rtf/helptext.h"

namespace ui {

QString HelpPreviewHtml(const QString& heading, QStringView text, const HelpFonts& fonts) {
    rtf::HtmlLinks links;
    SetHtmlFonts(links, fonts);
    QString html;
    if (!heading.isEmpty())
        html = QStringLiteral("<h3>") + heading.toHtmlEscaped() + QStringLiteral("</h3>");
    html += rtf::HelpTextToHtml(text, links);
    if (const QString face = fonts.textFace(); !face.isEmpty())
        html = QStringLiteral("<div style=\"font-family: '") + face.toHtmlEscaped() +
               QStringLiteral("'\">") + html + QStringLiteral("</div>");
    return html;
}

} // namespace ui
