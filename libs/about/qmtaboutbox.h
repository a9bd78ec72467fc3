// QMTAboutBox: the About window. One window serves the whole library, so
// that it stays up after the object that showed it is released.
#pragma once

#include "winreg/winreg.h"

#include <QDialog>

class QLabel;
class QPushButton;

class QMTAboutBox : public QDialog {
    Q_OBJECT

public:
    // The library's window, loaded on first use when `load` is set; null once
    // it has been unloaded (OK or the close box) and not loaded again.
    static QMTAboutBox* instance(bool load);

    void setMajor_Version(const QString& value);
    void setMinor_Version(const QString& value);
    void setRelease_Version(const QString& value);

    // Starts the System Information program, or says it is unavailable.
    void StartSysInfo();
    // Reads a text value; false (and an empty text) when it cannot.
    static bool GetKeyValue(winreg::HKEY KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                            QString& KeyVal);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    explicit QMTAboutBox(QWidget* parent = nullptr);
    void Form_Load();
    void cmdOK_Click();

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lbledition = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblcopyright = nullptr;
    QLabel* lblcopyright2 = nullptr;
    QLabel* lblwarning = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

    QString Major_Version;
    QString Minor_Version;
    QString Release_Version;
};
