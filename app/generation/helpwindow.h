// The help window's position and size as the help project files carry them.
#pragma once

#include "workspace/createsettings.h"

#include <QString>

// The placement of the .HPJ's main window line after `main=""`: string 812
// as it stands for the default geometry, else the same line with the
// author's left, top, width and height.
QString HpjWindowPlacement(const HelpWindowGeometry& window);

// The .hhp's window definition "main=..." for a geometry other than the
// default (as the pixels left, top, right, bottom of the viewer's window),
// naming the title, the contents and index files and the default page.
QString HhpWindowDefinition(const HelpWindowGeometry& window, const QString& title,
                            const QString& contents, const QString& index,
                            const QString& defaultPage);
