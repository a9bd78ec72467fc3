// The program's command line without a window: --new, --create, --import,
// --version, --help. Returns the exit status when the command line asked for one of
// these, or no value when the window is to be started.
#pragma once

#include <optional>

std::optional<int> runBatch(int argc, char** argv);
