// The application project's forms and their objects, as the Tool Tips and
// What's This tabs list them.
#pragma once

#include <QObject>
#include <QString>

class FrmMain;
class QComboBox;

class ApplicationForms : public QObject {
public:
    explicit ApplicationForms(FrmMain& window);

    // The item data of an object list that holds the control's type
    // ("VB.TextBox"), shown beside its name.
    static constexpr int ControlTypeRole = Qt::UserRole + 1;

    // Reads the application project (the session's path) into the table of
    // forms and refills both form lists.
    void ProcessVBProject();
    void LoadFormComboBoxs();
    // Lists the objects of the form in `cboobjects`, showing progress.
    void FindObjects(const QString& strformname, QComboBox* cboobjects);
    // The application project ProcessVBProject read last.
    const QString& lastRead() const { return m_lastRead; }

private:
    FrmMain& w;
    QString m_lastRead;
};
