#include "about_box.h"

#include "qmtaboutbox.h"

void About_Box::ShowAboutBox() {
    QMTAboutBox* window = QMTAboutBox::instance(true);
    window->setMajor_Version(Major_Version);
    window->setMinor_Version(Minor_Version);
    window->setRelease_Version(Release_Version);
    window->show();
    window->raise();
    window->activateWindow();
}

void About_Box::HideAboutBox() {
    if (QMTAboutBox* window = QMTAboutBox::instance(false))
        window->hide();
}
