// Writing generated text files: Windows-1252, one line per write, each line
// ended by CR LF, through a SaveFile, so a failure leaves an existing file as
// it was.
#pragma once

#include "fileio/savefile.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <initializer_list>

namespace fileio {

// What becomes of a character that Windows-1252 cannot hold.
enum class Unencodable {
    Refuse,     // the file is not written (FileWriteError naming the line and character)
    RtfUnicode, // written as the RTF code \uN? (N the signed 16-bit code unit)
};

class AnsiLineFile {
public:
    // Opens the work file for `fileName`; throws FileWriteError when it cannot.
    explicit AnsiLineFile(const QString& fileName, Unencodable unencodable = Unencodable::Refuse);

    // One line, converted to Windows-1252, followed by the line end.
    void writeLine(QStringView line) { writeLine({line}); }
    // One line made of these parts run together.
    void writeLine(std::initializer_list<QStringView> parts);
    // One line of bytes as they are, followed by the line end.
    void writeLineBytes(QByteArrayView line);
    // CR LF unless set otherwise (a file that keeps LF line ends).
    void setLineEnd(QByteArrayView lineEnd) { m_lineEnd = lineEnd.toByteArray(); }
    // Flushes and renames the work file over the target.
    void commit() { m_file.commit(); }

    QString fileName() const { return m_file.fileName(); }

private:
    void append(QStringView part);

    SaveFile m_file;
    Unencodable m_unencodable;
    QByteArray m_line;
    QByteArray m_lineEnd = QByteArrayLiteral("\r\n");
    int m_lineNumber = 0;
};

} // namespace fileio
