// The compilers share one way of reporting problems.
#pragma once

#include "diagnostics/diagnostics.h"

namespace hc {
using diagnostics::Diagnostic;
using diagnostics::Diagnostics;
using diagnostics::Severity;
} // namespace hc
