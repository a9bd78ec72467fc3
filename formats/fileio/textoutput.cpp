#include "textoutput.h"

#include "codepage/ansi.h"

namespace fileio {

AnsiLineFile::AnsiLineFile(const QString& fileName, Unencodable unencodable)
    : m_file(fileName), m_unencodable(unencodable) {}

void AnsiLineFile::append(QStringView part) {
    for (qsizetype i = 0; i < part.size(); ++i) {
        i += ansi::appendEncoded(m_line, part.sliced(i));
        if (i == part.size())
            break;
        const char16_t u = part[i].unicode();
        if (m_unencodable == Unencodable::RtfUnicode) {
            m_line += "\\u" + QByteArray::number(static_cast<qint16>(u)) + '?';
        } else {
            throw FileWriteError(
                m_file.fileName(),
                QStringLiteral("could not be written: line %1 holds %2, which Windows-1252 cannot "
                               "hold (the file was left as it was)")
                    .arg(QString::number(m_lineNumber + 1), ansi::describeCharacter(part, i)));
        }
    }
}

void AnsiLineFile::writeLine(std::initializer_list<QStringView> parts) {
    m_line.resize(0); // keeps its room
    for (QStringView part : parts)
        append(part);
    m_line += m_lineEnd;
    m_file.write(m_line);
    ++m_lineNumber;
}

void AnsiLineFile::writeLineBytes(QByteArrayView line) {
    m_file.write(line);
    m_file.write(m_lineEnd);
    ++m_lineNumber;
}

} // namespace fileio
