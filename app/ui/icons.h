// The window's own pictures: SVG files in the resources under :/icons/, drawn
// once into pixmaps at the sizes toolbars and trees ask for.
#pragma once

#include <QIcon>
#include <QString>

namespace ui {

// The picture :/icons/<name>.svg (name such as "toolbar/new" or "tree/topic");
// a null icon when there is no such picture.
QIcon picture(const QString& name);

// The desktop theme's icon themeName when the theme has one, else picture(name).
QIcon themedPicture(const char* themeName, const QString& name);

} // namespace ui
