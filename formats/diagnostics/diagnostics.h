// What the help compilers tell their user: warnings and errors, each with the
// file and line they come from.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
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
        add({Severity::Warning, file, line, text});
    }
    void error(const QString& file, int line, const QString& text) {
        add({Severity::Error, file, line, text});
    }
    bool hasErrors() const;
    int count(Severity severity) const;
    // Kept only without a sink.
    const std::vector<Diagnostic>& items() const { return m_items; }
    QStringList lines() const;

    // From now on each diagnostic goes to `sink` as it comes and is only
    // counted here: a program that prints them holds none of them. The
    // compilers call it one diagnostic at a time, though not always from
    // the thread that started them.
    void setSink(std::function<void(const Diagnostic&)> sink) { m_sink = std::move(sink); }

private:
    void add(Diagnostic&& d);

    std::vector<Diagnostic> m_items;
    std::function<void(const Diagnostic&)> m_sink;
    int m_warnings = 0;
    int m_errors = 0;
};

} // namespace diagnostics
