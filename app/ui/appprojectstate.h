// State of the application-project area of the main window.
#pragma once

#include "frmmain.h"

struct FrmMain::AppProjectState {};
