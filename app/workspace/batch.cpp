#include "batch.h"

std::optional<int> runBatch(int, char**) { return std::nullopt; }
