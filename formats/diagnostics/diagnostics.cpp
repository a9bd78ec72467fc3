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
    int n = 0;
    for (const Diagnostic& d : m_items)
        n += d.severity == severity ? 1 : 0;
    return n;
}

QStringList Diagnostics::lines() const {
    QStringList all;
    for (const Diagnostic& d : m_items)
        all << d.format();
    return all;
}

} // namespace diagnostics
