// Window-level state of the contents tree editor.
#pragma once

#include "frmmain.h"

struct FrmMain::ContentsState {};
