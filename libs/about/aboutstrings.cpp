#include "aboutstrings.h"

#include <QHash>

namespace qmtabout {

QString LoadResString(int id) {
    static const QHash<int, QString> table = {
        {100, QStringLiteral("About Quillmate")},
        {101, QStringLiteral("&OK")},
        {102, QStringLiteral("System Info...")},
        {103, QStringLiteral("Version ")},
        {104, QStringLiteral("Personnal Edition")},
        {105, QStringLiteral("Quillmate")},
        // Legal notices: 106 and 107 are joined by the copyright sign, so are 109 and 110.
        {106, QStringLiteral("Copyright ")},
        {107, QStringLiteral(" Korvane. All rights reserved.")},
        {108, QStringLiteral("Quillmate and Korvane are names of Korvane.")},
        {109, QStringLiteral("This program is protected by copyright law. Copyright ")},
        {110, QStringLiteral(" Korvane.")},
        {111, QStringLiteral("You may install and use this copy on your own computers. "
                             "Please do not sell or pass on copies of it without the "
                             "written permission of Korvane.")},
        {112, QStringLiteral("System Information Is Unavailable At This Time")},
        {113, QStringLiteral("\\MSINFO32.EXE")},
        {114, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location")},
        {115, QStringLiteral("MSINFO")},
        {116, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO")},
        {117, QStringLiteral("PATH")},
    };
    return table.value(id);
}

} // namespace qmtabout
