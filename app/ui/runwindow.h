// Starts the main window; `qmt PROJECT.QMT` opens that project as File, Open does.
#pragma once

int runWindow(int argc, char** argv);
