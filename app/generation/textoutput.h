// Writing generated text files: Windows-1252, one line per write, each line
// ended by CR LF. The file is written beside its target and renamed over it
// when complete, so a failure leaves an existing file as it was.
#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <QStringView>
#include <initializer_list>
#include <stdexcept>

// A generator's failure, naming the file and what failed.
class GenerationError : public std::runtime_error {
public:
    GenerationError(const QString& fileName, const QString& what);
    QString fileName() const { return m_fileName; }
    QString what_() const { return m_what; }
    // "<file>: <what>" for the user.
    QString message() const;

private:
    QString m_fileName;
    QString m_what;
};

class AnsiLineFile {
public:
    // Opens the work file for `fileName`; throws GenerationError when it cannot.
    explicit AnsiLineFile(const QString& fileName);
    ~AnsiLineFile(); // an uncommitted file is discarded; the target stays as it was

    AnsiLineFile(const AnsiLineFile&) = delete;
    AnsiLineFile& operator=(const AnsiLineFile&) = delete;

    // One line, converted to Windows-1252, followed by CR LF.
    void writeLine(QStringView line) { writeLine({line}); }
    // One line made of these parts run together.
    void writeLine(std::initializer_list<QStringView> parts);
    // One line of bytes as they are, followed by CR LF.
    void writeLineBytes(const QByteArray& line);
    // Flushes and renames the work file over the target.
    void commit();

    QString fileName() const { return m_fileName; }

private:
    void flushBuffer();

    QString m_fileName;
    QSaveFile m_file;
    QByteArray m_buffer;
};
