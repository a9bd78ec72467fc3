// Names of the project's files: found on disk in any letter case, and made
// into the names they have inside the compiled file.
#pragma once

#include <QString>

namespace chm {

// The file `relative` ("/" separated) below `folder`: the exact name when it
// exists, else the first name that matches in another letter case; empty
// when there is none.
QString ResolvePath(const QString& folder, const QString& relative);

// "/folder/page.htm" for "folder/page.htm" or "./folder//page.htm"; empty
// when the name is absolute or leaves the project's folder ("..").
QString InternalPath(const QString& relative);

} // namespace chm
