#include "appproject/qmtcodemod.h"

#include "codepage/ansi.h"
#include "resources/stringtable.h"
#include "workspace/records.h"

#include <QFile>

namespace QMTCOdeMod {

namespace {

constexpr std::string_view kNameLine = "Attribute VB_Name = ";
constexpr std::string_view kBegin = "Begin ";
constexpr std::string_view kBeginProperty = "BeginProperty";
constexpr std::string_view kEndProperty = "EndProperty";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view examined(std::string_view line) {
    return line.substr(0, kExaminedChars);
}

std::string_view skipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return text.substr(i);
}

std::string_view firstWord(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && !isBlank(text[i]))
        ++i;
    return text.substr(0, i);
}

// "keyword" alone or followed by a blank.
bool isKeyword(std::string_view text, std::string_view keyword) {
    return text.starts_with(keyword) &&
           (text.size() == keyword.size() || isBlank(text[keyword.size()]));
}

QString toText(std::string_view bytes) {
    return ansi::toUnicode(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString trimBlanks(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && (text.at(start) == u' ' || text.at(start) == u'\t'))
        ++start;
    while (end > start && (text.at(end - 1) == u' ' || text.at(end - 1) == u'\t'))
        --end;
    return text.mid(start, end - start);
}

} // namespace

std::string_view TrimBlanks(std::string_view text) {
    text = skipBlanks(text);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view LineKey(std::string_view line) {
    line = examined(line);
    return line.substr(0, line.find('='));
}

std::string_view PropertyName(std::string_view line) {
    return TrimBlanks(LineKey(line));
}

FormLine ClassifyFormLine(std::string_view line) {
    line = examined(line);
    if (!line.empty() && line.front() == 'A' && line.starts_with(kNameLine))
        return {LineKind::Name, {}, {}};
    const std::string_view text = skipBlanks(line);
    // Most lines are properties: only a line that starts with B or E can
    // begin or end anything.
    if (text.empty() || (text.front() != 'B' && text.front() != 'E'))
        return {};
    if (text.starts_with(kBegin)) {
        // "Begin", the library.type word, the control name. A line that does
        // not have this shape (a hand-edited one) is not a control line.
        std::string_view rest = skipBlanks(text.substr(kBegin.size()));
        const std::string_view type = firstWord(rest);
        if (type.find('.') == std::string_view::npos)
            return {};
        const std::string_view name = firstWord(skipBlanks(rest.substr(type.size())));
        if (name.empty())
            return {};
        return {LineKind::Control, name, type};
    }
    if (isKeyword(text, kBeginProperty))
        return {LineKind::BeginProperty, {}, {}};
    if (isKeyword(text, kEndProperty))
        return {LineKind::EndProperty, {}, {}};
    if (TrimBlanks(text) == "End")
        return {LineKind::End, {}, {}};
    return {};
}

QString GetLineKey(const QString& strline) {
    const QString text = strline.left(static_cast<qsizetype>(kExaminedChars));
    const qsizetype at = text.indexOf(u'=');
    return at < 0 ? text : text.left(at);
}

QString GetFolder(const QString& strpath) {
    const qsizetype at = std::max(strpath.lastIndexOf(u'\\'), strpath.lastIndexOf(u'/'));
    return at < 0 ? QString() : strpath.left(at + 1);
}

QString ExtractQuotedText(const QString& strline) {
    const qsizetype open = strline.indexOf(u'"');
    if (open < 0)
        return strline;
    const qsizetype close = strline.indexOf(u'"', open + 1);
    if (close < 0)
        return trimBlanks(strline.mid(open + 1));
    if (close == open + 1)
        return strline;
    return trimBlanks(strline.mid(open + 1, close - open - 1));
}

QString GetObjectName(const QString& strline) {
    const QByteArray bytes = ansi::fromUnicode(strline);
    const FormLine line = ClassifyFormLine(view(bytes));
    switch (line.kind) {
    case LineKind::Control:
        return toText(line.controlName);
    case LineKind::Name:
        return LoadResString(str::vb::BeginningOfCode);
    default:
        return {};
    }
}

QString GetFirstWord(const QString& strtext) {
    const qsizetype at = strtext.indexOf(u' ');
    return at < 0 ? strtext : strtext.left(at);
}

QString GetPropertyName(const QString& strline) {
    return trimBlanks(GetLineKey(strline));
}

void SeparateFormAndObject(const QString& strtextline, QString& strformname,
                           QString& strobjectname) {
    records::SplitObjectKey(strtextline, strformname, strobjectname);
}

QByteArray ReadFileBytes(const QString& strpath) {
    QFile file(strpath);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(
            strpath,
            QStringLiteral("The file %1 cannot be read: %2").arg(strpath, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(
            strpath,
            QStringLiteral("The file %1 cannot be read: %2").arg(strpath, file.errorString()));
    return bytes;
}

QByteArray LineEndOf(std::string_view bytes) {
    const std::size_t lf = bytes.find('\n');
    if (lf == std::string_view::npos || bytes.find('\r') != std::string_view::npos)
        return QByteArrayLiteral("\r\n");
    return QByteArrayLiteral("\n");
}

} // namespace QMTCOdeMod
