// Splash: the class a caller creates to show and remove the splash window.
#pragma once

#include "components/interfaces.h"

#include <QObject>

class Splash : public QObject, public ISplash {
    Q_OBJECT
    Q_INTERFACES(ISplash)

public:
    using QObject::QObject;

    // Unloads the splash window, if it is up.
    void removesplash() override;
    // Passes the version texts to the window and shows it without waiting.
    void showsplash() override;
    void setVersionMajor(const QString& v) override { VersionMajor = v; }
    void setVersionMinor(const QString& v) override { VersionMinor = v; }
    void setVersionRelase(const QString& v) override { VersionRelease = v; }

private:
    QString VersionMajor;
    QString VersionMinor;
    QString VersionRelease;
};
