#include "textoutput.h"

#include "shell/ansi.h"

#include <QDir>

namespace {
constexpr qsizetype kFlushAt = 1 << 16;
}

GenerationError::GenerationError(const QString& fileName, const QString& what)
    : std::runtime_error(QString(fileName + QStringLiteral(": ") + what).toStdString()),
      m_fileName(fileName), m_what(what) {}

QString GenerationError::message() const {
    return QDir::toNativeSeparators(m_fileName) + QStringLiteral(": ") + m_what;
}

AnsiLineFile::AnsiLineFile(const QString& fileName) : m_fileName(fileName), m_file(fileName) {
    if (!m_file.open(QIODevice::WriteOnly))
        throw GenerationError(fileName, QStringLiteral("the file could not be created (") +
                                            m_file.errorString() + QLatin1Char(')'));
    m_buffer.reserve(kFlushAt + 4096);
}

AnsiLineFile::~AnsiLineFile() {
    if (m_file.isOpen())
        m_file.cancelWriting();
}

void AnsiLineFile::writeLine(std::initializer_list<QStringView> parts) {
    for (QStringView part : parts) {
        const qsizetype at = m_buffer.size();
        m_buffer.resize(at + part.size());
        char* dst = m_buffer.data() + at;
        for (qsizetype i = 0; i < part.size(); ++i) {
            const char16_t u = part[i].unicode();
            // Latin-1 outside 0x80..0x9F is the same in Windows-1252.
            if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
                dst[i] = char(u);
            else
                dst[i] = ansi::fromUnicode(QString(part[i])).at(0);
        }
    }
    m_buffer += "\r\n";
    if (m_buffer.size() >= kFlushAt)
        flushBuffer();
}

void AnsiLineFile::writeLineBytes(const QByteArray& line) {
    m_buffer += line;
    m_buffer += "\r\n";
    if (m_buffer.size() >= kFlushAt)
        flushBuffer();
}

void AnsiLineFile::flushBuffer() {
    if (m_buffer.isEmpty())
        return;
    if (m_file.write(m_buffer) != m_buffer.size())
        throw GenerationError(m_fileName, QStringLiteral("writing the file failed (") +
                                              m_file.errorString() + QLatin1Char(')'));
    m_buffer.clear();
}

void AnsiLineFile::commit() {
    flushBuffer();
    if (!m_file.commit())
        throw GenerationError(m_fileName, QStringLiteral("the file could not be saved (") +
                                              m_file.errorString() + QLatin1Char(')'));
}
