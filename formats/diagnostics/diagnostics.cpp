#include "diagnostics/diagnostics.h"

#include <QDir>

namespace diagnostics {

QString Diagnostic::format() const {
    QString where = QDir::toNativeSeparators(file);
    if (line > 0)
        where += QLatin1Char('(') + QString::number(line) + QLatin1Char(')');
    return where +
           (severity == Severity::Error ? QStringLiteral(": error: ")
                                        : QStringLiteral(": warning: ")) +
           text;
}

bool Diagnostics::hasErrors() const {
    return count(Severity::Error) > 0;
}

int Diagnostics::count(Severity severity) const {
    return severity == Severity::Error ? m_errors : m_warnings;
}

void Diagnostics::add(Diagnostic&& d) {
    ++(d.severity == Severity::Error ? m_errors : m_warnings);
    if (m_sink)
        m_sink(d);
    else
        m_items.push_back(std::move(d));
}

QStringList Diagnostics::lines() const {
    QStringList all;
    for (const Diagnostic& d : m_items)
        all << d.format();
    return all;
}

} // namespace diagnostics
