// About_Box: the class callers create to show the About window.
#pragma once

#include "components/interfaces.h"

#include <QObject>

class About_Box : public QObject, public IAboutBox {
    Q_OBJECT
    Q_INTERFACES(IAboutBox)

public:
    using QObject::QObject;

    void setProgName(const QString& v) override { ProgName = v; }
    void setMajor_Version(const QString& v) override { Major_Version = v; }
    void setMinor_Version(const QString& v) override { Minor_Version = v; }
    void setRelease_Version(const QString& v) override { Release_Version = v; }
    // Shows the window without waiting; it stays up when this object goes.
    void ShowAboutBox() override;
    // Hides the window, which stays loaded.
    void HideAboutBox() override;

private:
    QString ProgName;
    QString Major_Version;
    QString Minor_Version;
    QString Release_Version;
};
