// Captions of controls from the string table.
#pragma once

#include <initializer_list>

class QObject;

namespace ui {

struct Caption {
    QObject* control; // a label, button, group box, menu or menu item
    int id;           // its string in the string table
};

void loadCaptions(std::initializer_list<Caption> captions);

} // namespace ui
