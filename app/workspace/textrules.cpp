#include "textrules.h"

#include "codepage/ansi.h"
#include "mapnumbers.h"
#include "rtf/helptext.h"

#include <QStringBuilder>
#include <algorithm>
#include <cmath>
#include <functional>

namespace textrules {

namespace {

bool isLineBreak(QChar c) {
    return c == u'\r' || c == u'\n';
}

bool isControl(QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 || u == 0x7F || (u >= 0x80 && u <= 0x9F);
}

QString controlMessage(const QString& subject, QStringView text, qsizetype at) {
    if (isLineBreak(text[at]))
        return subject % u" holds a line break, which would split its line in the file.";
    return subject % u" holds the control character " % ansi::describeCharacter(text, at) %
           u", which cannot be written into the file.";
}

QString unencodableMessage(const QString& subject, QStringView text, qsizetype at) {
    return subject % u" holds " % ansi::describeCharacter(text, at) %
           u", which a Windows-1252 file cannot hold.";
}

} // namespace

QString CheckText(QStringView text, const QString& subject, Target target) {
    const bool breaksAllowed = target == Target::AnsiText || target == Target::RtfText;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!isControl(c) || (breaksAllowed && (isLineBreak(c) || c == u'\t')))
            continue;
        // Windows-1252 keeps 0x80..0x9F as letters; only the unassigned five stay controls.
        char byte = 0;
        if (c.unicode() >= 0x80 && c.unicode() <= 0x9F && target != Target::FileName &&
            !ansi::encode(c.unicode(), byte))
            return unencodableMessage(subject, text, i);
        return controlMessage(subject, text, i);
    }
    if (target == Target::AnsiLine || target == Target::AnsiText) {
        const qsizetype at = ansi::firstUnencodable(text);
        if (at >= 0)
            return unencodableMessage(subject, text, at);
    }
    return {};
}

QString CheckQuotedValue(QStringView text, const QString& subject) {
    if (const QString problem = CheckText(text, subject, Target::AnsiLine); !problem.isEmpty())
        return problem;
    if (text.contains(u'"'))
        return subject % u" holds a double quote (\"), which would end its quoted value early.";
    return {};
}

QString Printable(QStringView text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0))
            shown += u"\\x" % QString::number(uint(u), 16).toUpper().rightJustified(2, u'0');
        else
            shown += c;
    }
    return shown;
}

QString CheckContextString(QStringView topicId, const QString& subject) {
    // Most IDs are printable ASCII without the refused characters: answered
    // without building the message (an import checks every topic's ID).
    if (std::all_of(topicId.begin(), topicId.end(), [](QChar c) {
            const char16_t u = c.unicode();
            return u > 0x20 && u < 0x7F && u != u'=' && u != u';' && u != u'#' && u != u'{' &&
                   u != u'}' && u != u'\\' && u != u'"';
        }))
        return {};
    const QString quoted = subject % u" \"" % Printable(topicId) % u'"';
    if (const QString problem = CheckText(topicId, quoted, Target::AnsiLine); !problem.isEmpty())
        return problem;
    for (const QChar c : topicId) {
        if (c == u' ' || QStringView(u"=;#{}\\\"").contains(c)) {
            const QString what = c == u' ' ? QStringLiteral("a blank") : u"\"" % QString(c) % u'"';
            return quoted % u" holds " % what %
                   u"; a topic ID may hold no blanks and none of = ; # { } \\ \".";
        }
    }
    return {};
}

std::optional<int> StoredMapNumber(const QVariant& value) {
    if (value.isNull())
        return 0;
    long long number = 0;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        number = value.toLongLong();
        break;
    case QMetaType::Double: {
        const double d = value.toDouble();
        if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 1e9)
            return std::nullopt;
        number = static_cast<long long>(d);
        break;
    }
    default: {
        bool ok = false;
        number = value.toString().trimmed().toLongLong(&ok);
        if (!ok)
            return std::nullopt;
    }
    }
    if (number < 0 || number > mapnumbers::MaxMapNumber)
        return std::nullopt;
    return static_cast<int>(number);
}

QString BadMapNumberMessage(const QString& owner, const QVariant& value) {
    return u"The map number of " % owner % u" (" % value.toString() %
           u") is not a whole number from 0 to 32767, so it was left out.";
}

QString TopicIdKey(const QString& id) {
    QString key = id;
    for (QChar& c : key)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return key;
}

QString RoomLeftNote(const QString& field, qsizetype length, qsizetype limit) {
    if (limit <= 0 || length * 5 < limit * 4)
        return {};
    if (length >= limit)
        return QStringLiteral("%1 is full: it holds at most %2 characters.")
            .arg(field, QString::number(limit));
    const qsizetype left = limit - length;
    return QStringLiteral("%1: %2 of %3 characters left.")
        .arg(field, QString::number(left), QString::number(limit));
}

QString DoubleStrayBackslashes(const QString& helpText) {
    QString text = helpText;
    std::vector<qsizetype> offsets;
    for (const rtf::TextProblem& problem : rtf::CheckHelpText(helpText))
        if (problem.code.startsWith(u'\\') && text.mid(problem.offset, 1) == u"\\")
            offsets.push_back(problem.offset);
    // From the end, so that the offsets before stay where they are.
    std::sort(offsets.begin(), offsets.end(), std::greater<>());
    for (const qsizetype offset : offsets)
        text.insert(offset, u'\\');
    return text;
}

} // namespace textrules
