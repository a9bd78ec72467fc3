#include "setupstrings.h"

#include <iterator>

namespace setupstrings {

QString LoadResString(int id) {
    static const char* const controlTypes[] = {
        "Animation",      "Button",       "CheckBox",      "ComboBox",
        "CommandButton",  "Data",         "DBCombo",       "DBGrid",
        "DBList",         "DirListBox",   "DriveListBox",  "FileListBox",
        "Frame",          "Image",        "Label",         "ListBox",
        "ListView",       "Masked Edit",  "MSChart",       "MSFlexGrid",
        "Multimedia MCI", "OptionButton", "Panel",         "PictureBox",
        "ProgressBar",    "RemoteData",   "Rich TextBox",  "Slider",
        "SSTab",          "StatusBar",    "Tab",           "TabStrip",
        "TextBox",        "Toolbar",      "TreeView",      "UpDown",
        "HScrollBar",     "VScrollBar",   "OLE Container",
    };
    static_assert(std::size(controlTypes) == kLastControlType - kFirstControlType + 1);
    if (id < kFirstControlType || id > kLastControlType)
        return {};
    return QString::fromLatin1(controlTypes[id - kFirstControlType]);
}

} // namespace setupstrings
