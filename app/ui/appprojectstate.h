// State of the application-project area of the main window.
#pragma once

#include "frmmain.h"

#include <QString>
#include <memory>

struct FrmMain::AppProjectState {
    // The text of txtvbprojectfilename when the field last received the focus.
    QString rememberedProjectFile;
    // Expires when the window's own parts are gone: the focus events that
    // closing the window still sends then find nothing to do.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};
