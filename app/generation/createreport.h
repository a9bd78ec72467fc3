// What one run of the Create command did: the files it wrote and what it
// could not do. A run succeeded only when it has no failures and was not
// stopped.
#pragma once

#include <QString>
#include <QStringList>

struct CreateReport {
    QStringList written;  // files written, in order
    QStringList failures; // outputs not produced and entries left out: the run failed
    QStringList warnings; // worth knowing; the run still succeeded
    QStringList stopped;  // outputs not begun because the run was stopped: it did not succeed
    int formsRewritten = 0;
    int controlsUpdated = 0;
    bool compileDue = false;
    bool compiled = false; // the compiler was started (and ended with status 0 when waited for)
    QString compileNote;   // what the compile step did, in words

    // The same text is reported once, whichever step finds it again.
    void fail(const QString& text) {
        if (!failures.contains(text))
            failures.append(text);
    }
    void warn(const QString& text) {
        if (!warnings.contains(text))
            warnings.append(text);
    }
    bool ok() const { return failures.isEmpty() && stopped.isEmpty(); }
};

// The report in words for the author: what was written, what was updated,
// what was skipped and why, what failed, and what the compiler did.
QString DescribeCreateReport(const CreateReport& report);
// The report in one line, for a status bar.
QString SummarizeCreateReport(const CreateReport& report);
