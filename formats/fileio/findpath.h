// Finding a file named the way Windows names it: in a project file written on
// Windows, "Help\Logo.BMP" names help/logo.bmp, whatever the letter case.
#pragma once

#include <QString>

namespace fileio {

// The path of `relative` ("\" or "/" separated) resolved against the real
// folder `folder` (with its trailing "/"). When that exact path does not
// exist, each part is matched without regard to letter case; when no file
// matches, the exact path is returned.
QString FindPath(const QString& folder, const QString& relative);

} // namespace fileio
