// Which texts can be written where. Every text that Create writes into a
// line of a generated or rewritten file passes through these rules, both when
// the author saves it in the window and when Create runs, so that no text can
// add a line, break a quoted value or be turned into '?' on the way.
#pragma once

#include <QString>
#include <QStringView>
#include <QVariant>
#include <optional>

namespace textrules {

// Where a text goes.
enum class Target {
    AnsiLine, // one line of a Windows-1252 file: help project, contents file, .vbp
    AnsiText, // a Windows-1252 text whose line breaks the writer turns into blanks (tool tips)
    RtfLine,  // one line of the RTF topic file: any character (written as \uN), no line breaks
    RtfText,  // a help text in the RTF topic file: any character, tabs and line breaks
    FileName, // the name of a file Create writes or reads: no control characters
};

// An empty text when `text` can be written to `target`; otherwise one
// sentence that starts with `subject` ("The Help Project Title") and names
// the character at fault.
QString CheckText(QStringView text, const QString& subject, Target target);

// A text that goes between double quotes on its line (the .vbp's HelpFile
// line): the rules of AnsiLine, and no double quote.
QString CheckQuotedValue(QStringView text, const QString& subject);

// `text` as a message shows it: each control character as an escape
// ("\x00"), so that none can cut or break the message.
QString Printable(QStringView text);

// A topic ID, the context string of the help files: no blanks and none of
// = ; # { } \ " (they end or break its line in the help project and topic
// files), no control characters, Windows-1252 only.
QString CheckContextString(QStringView topicId, const QString& subject);

// The key topic IDs are matched by: without regard to the case of ASCII
// letters, as the project's keys are.
QString TopicIdKey(const QString& id);

// What a field of at most `limit` characters says about its room: nothing
// while less than four fifths is used, then "Topic Title: 7 of 50 characters
// left", and at the limit that it is full.
QString RoomLeftNote(const QString& field, qsizetype length, qsizetype limit);

// A help text with a second backslash before each code that readers do not
// know (rtf::CheckHelpText: "C:\Program" becomes "C:\\Program"), so that
// it shows as typed; other codes and problems stay as they are.
QString DoubleStrayBackslashes(const QString& helpText);

// A map number as stored: a whole number from 0 to 32767 (0 meaning none),
// whether the store holds it as a number or as text. None for anything else
// (text that is no number, fractions, out of range); a null value is 0.
std::optional<int> StoredMapNumber(const QVariant& value);

// The sentence for a map number that StoredMapNumber refuses.
QString BadMapNumberMessage(const QString& owner, const QVariant& value);

} // namespace textrules
