#include "createreport.h"

#include <QDir>
#include <QStringList>

namespace {

void section(QStringList& out, const QString& heading, const QStringList& lines) {
    if (lines.isEmpty())
        return;
    out << QString() << heading;
    for (const QString& line : lines)
        out << QStringLiteral("  ") + QString(line).replace(u'\n', QStringLiteral("\n  "));
}

QString count(qsizetype n, const char* one, const char* many) {
    return QString::number(n) + u' ' + QLatin1String(n == 1 ? one : many);
}

} // namespace

QString DescribeCreateReport(const CreateReport& r) {
    QStringList out{!r.stopped.isEmpty() ? QStringLiteral("Create was stopped.")
                    : r.ok()             ? QStringLiteral("Create is done.")
                             : QStringLiteral("Create did not do everything it was asked to.")};
    QStringList written;
    for (const QString& file : r.written)
        written << QDir::toNativeSeparators(file);
    section(out, QStringLiteral("Files written:"), written);
    if (r.formsRewritten > 0 || r.controlsUpdated > 0)
        out << QString()
            << QStringLiteral("Forms: %1 rewritten, %2 given a line (tool tips and help "
                              "IDs count apart).")
                   .arg(count(r.formsRewritten, "form file", "form files"),
                        count(r.controlsUpdated, "control", "controls"));
    section(out, QStringLiteral("Not done:"), r.failures);
    section(out, QStringLiteral("Stopped before (left as they were):"), r.stopped);
    section(out, QStringLiteral("Skipped or worth a look:"), r.warnings);
    if (r.compileDue && !r.compileNote.isEmpty())
        out << QString() << QStringLiteral("Help compiler: ") + r.compileNote;
    if (r.written.isEmpty() && r.formsRewritten == 0 && r.failures.isEmpty() && r.stopped.isEmpty())
        out << QString() << QStringLiteral("Nothing needed writing.");
    return out.join(u'\n');
}

QString SummarizeCreateReport(const CreateReport& r) {
    QString line = !r.stopped.isEmpty() ? QStringLiteral("Create stopped: ")
                   : r.ok()             ? QStringLiteral("Create done: ")
                                        : QStringLiteral("Create failed: ");
    line += count(r.written.size(), "file", "files") + QStringLiteral(" written");
    if (r.controlsUpdated > 0)
        line += QStringLiteral(", ") + count(r.controlsUpdated, "control line", "control lines") +
                QStringLiteral(" written");
    if (!r.failures.isEmpty())
        line += QStringLiteral(", ") + count(r.failures.size(), "problem", "problems");
    if (!r.warnings.isEmpty())
        line += QStringLiteral(", ") + count(r.warnings.size(), "warning", "warnings");
    if (!r.stopped.isEmpty())
        line += QStringLiteral(", ") + count(r.stopped.size(), "output", "outputs") +
                QStringLiteral(" not begun");
    if (r.compileDue)
        line += r.compiled ? QStringLiteral(", compiled") : QStringLiteral(", not compiled");
    return line + u'.';
}
