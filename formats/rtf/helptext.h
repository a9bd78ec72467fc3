// Help texts as an author types them: plain text that may carry RTF codes
// ({\b Note:} comes out bold in the help file). The topic file receives the
// text as it stands; everything else that shows a help text (HTML pages, the
// preview) reads it here, through the same interpreter as the help compiler,
// so that the codes are understood the same way everywhere, and
// CheckHelpText warns about codes that a help compiler would drop together
// with the author's words.
#pragma once

#include "document.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <vector>

namespace rtf {

// How line ends stored in the text count. A general topic's text goes into
// the topic file with every CR turned into "\par", so its line ends are
// paragraphs; RTF itself ignores line ends.
enum class LineEnds { Paragraphs, Ignored };

// A help text read into the document model.
struct HelpDocument {
    std::vector<Paragraph> paragraphs;
    std::vector<std::size_t> rowEnds; // a table row ends after each of these paragraph counts
    std::vector<Footnote> footnotes;
};

HelpDocument ReadHelpDocument(QStringView text, LineEnds lineEnds = LineEnds::Paragraphs);

// The text's paragraphs (ReadHelpDocument's).
std::vector<Paragraph> ReadHelpText(QStringView text, LineEnds lineEnds = LineEnds::Paragraphs);

// What a help text's HTML links to. Each answers with nothing when it has no
// answer; the hotspot or picture then shows as text and is named in `lost`.
struct HtmlLinks {
    // The page a jump to a context string opens.
    std::function<QString(const QString& contextString)> page;
    // A pop-up's topic as HTML (its text, no pop-ups of its own); without it
    // a pop-up opens its page like a jump.
    std::function<QString(const QString& contextString)> popup;
    // The address of a picture file named in the text.
    std::function<QString(const QString& file)> picture;
    // The address of a picture stored in the text itself (\pict).
    std::function<QString(const EmbeddedPicture& picture)> embedded;
    // The font table's faces by number, and the colour table (0x00BBGGRR),
    // for \fN, \cfN and \highlightN.
    std::function<QString(int font)> fontFace;
    std::vector<std::uint32_t> colors;
    // Features the HTML could not carry ("macro hotspot", "picture logo.bmp"),
    // each once, in the order met.
    QStringList* lost = nullptr;
};

// The text as HTML body content: one <p> per paragraph (an empty paragraph
// keeps its height) with its alignment, indents and spacing as CSS, <b>, <i>,
// <u>, <s> and a styled <span> for font, size and colours, <br> for a line
// break, a tab as a gap of the default tab stop, tables, pictures as <img>,
// &amp; &lt; &gt; &quot; escaped. The paragraphs it begins with that keep
// with the next (\keepn) stand in a <div class="nonscroll"> that stays at the
// top as the page scrolls. A jump becomes a link to its page; a
// pop-up a link that shows the pop-up's text on the page (the text follows
// the body in a hidden <div class="popup">; a page shows it with the script
// of PopupScript()).
QString HelpTextToHtml(QStringView text, const HtmlLinks& links = {},
                       LineEnds lineEnds = LineEnds::Paragraphs);

// The style and script a page needs for HelpTextToHtml's tabs, tables,
// non-scrolling region and pop-ups.
QString PopupStyle();
QString PopupScript();

// A code in a help text that the help file will not show as the author meant.
struct TextProblem {
    qsizetype offset = 0; // where the code starts in the text
    QString code;         // the code as typed, e.g. "\Program" or "{"
    QString message;      // one sentence for the author
};

// Unbalanced braces, control words and symbols that readers do not know (the
// usual cause is a single backslash in a Windows path), "\'" without two hex
// digits, and hotspots whose hidden text names no topic. An empty list means
// the text is safe.
std::vector<TextProblem> CheckHelpText(QStringView text);

// The problems as lines for a message, each naming where it stands.
QString DescribeProblems(const std::vector<TextProblem>& problems);

// The first words of a text for a title: its shown characters, blanks run
// together, cut at a word's end to at most `maxLength` characters ("..."
// marking the cut).
QString FirstWords(QStringView text, qsizetype maxLength, LineEnds lineEnds = LineEnds::Ignored);

} // namespace rtf
