#include "aboutstrings.h"

#include <QHash>

namespace qmtabout {

QString LoadResString(int id) {
    static const QHash<int, QString> table = {
        {str::WindowTitle, QStringLiteral("About Quillmate")},
        {str::Ok, QStringLiteral("&OK")},
        {str::SystemInfo, QStringLiteral("System Info...")},
        {str::Version, QStringLiteral("Version ")},
        {str::Edition, QStringLiteral("Personnal Edition")},
        {str::Title, QStringLiteral("Quillmate")},
        {str::CopyrightStart, QStringLiteral("Copyright ")},
        {str::CopyrightEnd, QStringLiteral(" Korvane.")},
        {str::Names, QStringLiteral("Quillmate and Korvane are names of Korvane.")},
        {str::NoticeStart, QStringLiteral("Quillmate is free software. Copyright ")},
        {str::NoticeEnd, QStringLiteral(" Korvane.")},
        {str::Licence,
         QStringLiteral("You may use, share and change it under the terms of the GNU General "
                        "Public License, version 3 or (at your option) any later version, which "
                        "comes with it (COPYING in its source; on Debian, "
                        "/usr/share/common-licenses/GPL-3). It comes with NO WARRANTY, to the "
                        "extent permitted by law.")},
        {str::SystemInfoUnavailable,
         QStringLiteral("System Information Is Unavailable At This Time")},
        {str::SystemInfoProgram, QStringLiteral("\\MSINFO32.EXE")},
        {str::SharedToolsLocationKey, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location")},
        {str::SharedToolsLocationValue, QStringLiteral("MSINFO")},
        {str::SystemInfoKey, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO")},
        {str::SystemInfoPathValue, QStringLiteral("PATH")},
    };
    return table.value(id);
}

} // namespace qmtabout
