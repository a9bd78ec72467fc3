// The application project's forms and their objects, as the Tool Tips and
// What's This tabs list them.
#pragma once

#include <QObject>
#include <QString>

class QComboBox;
struct Session;

class ApplicationForms : public QObject {
    Q_OBJECT

public:
    explicit ApplicationForms(Session& session, QObject* parent = nullptr);

    // The item data of an object list that holds the control's type
    // ("VB.TextBox"), shown beside its name.
    static constexpr int ControlTypeRole = Qt::UserRole + 1;

    // Reads the application project (the session's path) into the table of
    // forms and has the form lists refilled.
    void ProcessVBProject();
    // Has every form list refilled from the table of forms (formsRead).
    void LoadFormComboBoxs();
    // A form list filled from the table of forms, no form chosen.
    void fillForms(QComboBox* box) const;
    // An object list that shows each control's type after its name.
    static void showControlTypes(QComboBox* box);
    // Lists the objects of the form in `cboobjects`, showing progress.
    void FindObjects(const QString& strformname, QComboBox* cboobjects);
    // The application project ProcessVBProject read last.
    const QString& lastRead() const { return m_lastRead; }

signals:
    void formsRead();

private:
    Session& m_session;
    QString m_lastRead;
};
