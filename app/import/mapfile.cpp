#include "mapfile.h"

#include <QRegularExpression>

namespace import {

namespace {

// A context string or program name as the map forms allow it.
const QString kName = QStringLiteral("([A-Za-z_][A-Za-z0-9_.]*)");
const QString kNumber =
    QStringLiteral("(-?(?:0[xX][0-9A-Fa-f]+|&[hH][0-9A-Fa-f]+|[0-9]+)[uUlL&]*)");

qint64 numberOf(QString digits) {
    while (!digits.isEmpty() && QStringLiteral("uUlL&").contains(digits.back()) &&
           !digits.startsWith(u'&'))
        digits.chop(1);
    bool negative = digits.startsWith(u'-');
    if (negative)
        digits.remove(0, 1);
    bool ok = false;
    qint64 value = 0;
    if (digits.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
        value = digits.mid(2).toLongLong(&ok, 16);
    else if (digits.startsWith(QStringLiteral("&h"), Qt::CaseInsensitive))
        value = digits.mid(2).remove(u'&').toLongLong(&ok, 16);
    else
        value = digits.toLongLong(&ok, 10);
    if (!ok || negative || value > 32767)
        return -1;
    return value;
}

// The line without its comment.
QString withoutComment(QString line, bool& inBlock) {
    QString out;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (inBlock) {
            if (line.mid(i, 2) == u"*/") {
                inBlock = false;
                ++i;
            }
            continue;
        }
        if (line.mid(i, 2) == u"/*") {
            inBlock = true;
            ++i;
            continue;
        }
        if (line.mid(i, 2) == u"//" || line.at(i) == u';' || line.at(i) == u'\'')
            break;
        out += line.at(i);
    }
    return out;
}

} // namespace

bool ParseMapLine(QStringView line, QString& name, qint64& number) {
    static const QRegularExpression forms[] = {
        // #define IDH_X 1001
        QRegularExpression(u"^\\s*#\\s*define\\s+" + kName + u"\\s+\\(?\\s*" + kNumber +
                           u"\\s*\\)?\\s*$"),
        // [Public|Private|Global] Const IDH_X [As Long] = 1001
        QRegularExpression(u"^\\s*(?:(?:Public|Private|Global)\\s+)?Const\\s+" + kName +
                               u"(?:\\s+As\\s+\\w+)?\\s*=\\s*" + kNumber + u"\\s*$",
                           QRegularExpression::CaseInsensitiveOption),
        // IDH_X=1001 or IDH_X 1001
        QRegularExpression(u"^\\s*" + kName + u"\\s*(?:=|\\s)\\s*" + kNumber + u"\\s*$"),
    };
    for (const QRegularExpression& form : forms) {
        const QRegularExpressionMatch m = form.match(line);
        if (m.hasMatch()) {
            name = m.captured(1);
            number = numberOf(m.captured(2));
            return true;
        }
    }
    return false;
}

void ReadMapLines(const QString& text, const QString& file, int firstLine, MapRead& into) {
    bool inBlock = false;
    int lineNumber = firstLine;
    for (const QStringView raw : QStringView(text).split(u'\n')) {
        const QString line = withoutComment(raw.toString().remove(u'\r'), inBlock).trimmed();
        QString name;
        qint64 number = 0;
        if (!line.isEmpty() && ParseMapLine(line, name, number)) {
            if (number < 0)
                into.problems << QStringLiteral("%1, line %2: the map number of %3 is no whole "
                                                "number from 0 to 32767; it was left out.")
                                     .arg(file)
                                     .arg(lineNumber)
                                     .arg(name);
            else
                into.entries.push_back({name, static_cast<int>(number), file, lineNumber});
        }
        ++lineNumber;
    }
}

} // namespace import
