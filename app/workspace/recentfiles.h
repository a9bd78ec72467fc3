// The recent-files list: values MRU1 (newest) to MRU5 under the program's
// settings key, read and written through the registry functions.
#pragma once

#include <QString>
#include <QStringList>

class IRegistryFunctions;

namespace recentfiles {

inline constexpr int kMaxEntries = 5;

// The menu caption of entry `position`: "&", the digit, a blank and the path.
QString caption(int position, const QString& path);
// The path of a menu caption (the caption from its fourth character on).
QString pathFromCaption(const QString& caption);

// The list, newest first; it ends at the first missing or empty value. Empty
// when the settings key cannot be opened or created.
QStringList read(IRegistryFunctions& registry);

// Records a path opened. A path already listed (exact letter case) stays where
// it is and nothing is written; otherwise it becomes MRU1 and the others move
// down, the fifth falling off. Returns the entries written, from position 1 on
// (empty when nothing was written).
QStringList add(IRegistryFunctions& registry, const QString& path);

// Moves the entry at `position` (2 to 5), whose path is `path`, to position 1;
// the entries above it move down by one, those below stay. A value that cannot
// be read leaves the position below it unchanged. False when the key cannot be opened.
bool moveToTop(IRegistryFunctions& registry, int position, const QString& path);

} // namespace recentfiles
