#include "captions.h"

#include "resources/stringtable.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>

namespace ui {

void loadCaptions(std::initializer_list<Caption> captions) {
    for (const Caption& c : captions) {
        const QString text = LoadResString(c.id);
        if (auto* label = qobject_cast<QLabel*>(c.control))
            label->setText(text);
        else if (auto* button = qobject_cast<QAbstractButton*>(c.control))
            button->setText(text);
        else if (auto* group = qobject_cast<QGroupBox*>(c.control))
            group->setTitle(text);
        else if (auto* menu = qobject_cast<QMenu*>(c.control))
            menu->setTitle(text);
        else if (auto* item = qobject_cast<QAction*>(c.control))
            item->setText(text);
    }
}

} // namespace ui
