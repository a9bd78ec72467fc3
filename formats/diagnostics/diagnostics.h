// What the help compilers tell their user: warnings and errors, each with the
// file and line they come from.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace diagnostics {

enum class Severity { Warning, Error };

struct Diagnostic {
    Severity severity = Severity::Warning;
    QString file;
    int line = 0; // 0: about the whole file
    QString text;

    // "file(line): warning: text"
    QString format() const;
};

class Diagnostics {
public:
    void warning(const QString& file, int line, const QString& text) {
        m_items.push_back({Severity::Warning, file, line, text});
    }
    void error(const QString& file, int line, const QString& text) {
        m_items.push_back({Severity::Error, file, line, text});
    }
    bool hasErrors() const;
    int count(Severity severity) const;
    const std::vector<Diagnostic>& items() const { return m_items; }
    QStringList lines() const;

private:
    std::vector<Diagnostic> m_items;
};

} // namespace diagnostics
