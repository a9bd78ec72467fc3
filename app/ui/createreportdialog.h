// The report of a Create run: its text in a read-only, scrollable box that
// can be selected and copied, a Copy button and Close. The dialog fits the
// screen however long the report is.
#pragma once

#include <QDialog>

struct CreateReport;
class QPlainTextEdit;
class QPushButton;

class CreateReportDialog : public QDialog {
    Q_OBJECT

public:
    CreateReportDialog(const CreateReport& report, QWidget* parent = nullptr);

    // Opens a report dialog over `parent` without waiting for it; it is
    // deleted when closed.
    static CreateReportDialog* showReport(const CreateReport& report, QWidget* parent);

    QString text() const;

    QPlainTextEdit* txtreport = nullptr;
    QPushButton* cmdcopy = nullptr;
    QPushButton* cmdclose = nullptr;
};
