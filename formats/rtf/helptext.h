// Help texts as an author types them: plain text that may carry RTF codes
// ({\b Note:} comes out bold in the help file). The topic file receives the
// text as it stands; everything else that shows a help text (HTML pages, the
// preview) reads it here, so that the codes are understood the same way
// everywhere, and CheckHelpText warns about codes that a help compiler would
// drop together with the author's words.
#pragma once

#include <QString>
#include <QStringView>
#include <functional>
#include <vector>

namespace rtf {

struct TextFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool operator==(const TextFormat&) const = default;
};

struct Span {
    enum Kind { Text, Tab, LineBreak };
    Kind kind = Text;
    QString text; // Text only
    TextFormat format;
    // The context string of the topic a jump or pop-up hotspot leads to
    // ({\uldb Setup}{\v IDH_SETUP}); empty for ordinary text.
    QString link;
};

struct Paragraph {
    std::vector<Span> spans;
};

// How line ends stored in the text count. A general topic's text goes into
// the topic file with every CR turned into "\par", so its line ends are
// paragraphs; RTF itself ignores line ends.
enum class LineEnds { Paragraphs, Ignored };

// The text's paragraphs with their formatted spans. Adjacent text of the same
// format and link is one span. Unknown control words and skipped
// destinations (font table, footnotes, ...) give no text.
std::vector<Paragraph> ReadHelpText(QStringView text, LineEnds lineEnds = LineEnds::Paragraphs);

// The text as HTML body content: one <p> per paragraph (an empty paragraph
// keeps its height), <b>, <i>, <u>, <br> for a line break, four no-break
// spaces for a tab, &amp; &lt; &gt; &quot; escaped. A hotspot becomes a link
// to linkTarget(context string) when that gives a non-empty address.
QString HelpTextToHtml(QStringView text,
                       const std::function<QString(const QString& contextString)>& linkTarget = {},
                       LineEnds lineEnds = LineEnds::Paragraphs);

// A code in a help text that the help file will not show as the author meant.
struct TextProblem {
    qsizetype offset = 0; // where the code starts in the text
    QString code;         // the code as typed, e.g. "\Program" or "{"
    QString message;      // one sentence for the author
};

// Unbalanced braces, control words and symbols that readers do not know (the
// usual cause is a single backslash in a Windows path), and "\'" without two
// hex digits. An empty list means the text is safe.
std::vector<TextProblem> CheckHelpText(QStringView text);

// The problems as lines for a message, each naming where it stands.
QString DescribeProblems(const std::vector<TextProblem>& problems);

} // namespace rtf
