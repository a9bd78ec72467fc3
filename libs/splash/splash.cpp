#include "splash.h"

#include "splashscreen.h"

void Splash::removesplash() {
    if (splashscreen* window = splashscreen::instance(false))
        window->unload();
}

void Splash::showsplash() {
    splashscreen* window = splashscreen::instance(true);
    window->setVersionMajor(VersionMajor);
    window->setVersionMinor(VersionMinor);
    window->setVersionRelease(VersionRelease);
    window->showSplash();
}
