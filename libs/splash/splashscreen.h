// splashscreen: the start-up window with the program's name, version and
// maker. The pointer shows the hourglass while the window is loaded.
#pragma once

#include <QWidget>

class QFrame;
class QLabel;

class splashscreen : public QWidget {
    Q_OBJECT

public:
    // The library's window, created when `create` is set; null once unloaded.
    static splashscreen* instance(bool create);

    void setVersionMajor(const QString& value) { VersionMajor = value; }
    void setVersionMinor(const QString& value) { VersionMinor = value; }
    void setVersionRelease(const QString& value) { VersionRelease = value; }

    // Shows the window, loading it first when it is not loaded yet.
    void showSplash();
    // Unloads the window: the pointer comes back and the window goes.
    void unload();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    explicit splashscreen(QWidget* parent = nullptr);
    void Form_Load();
    void Form_Unload();
    // Toggles the hourglass pointer.
    void HourGlass();

    QFrame* Frame1 = nullptr;
    QLabel* imgLogo = nullptr;
    QLabel* lblProductName = nullptr;
    QLabel* lblCompanyProduct = nullptr;
    QLabel* lblCompany = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblCopyright = nullptr;
    QLabel* lblWarning = nullptr;
    QLabel* lblPlatform = nullptr;

    QString VersionMajor;
    QString VersionMinor;
    QString VersionRelease;
    bool m_loaded = false;
    bool m_busy = false;
};
