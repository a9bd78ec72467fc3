// Changes to the drop-down lists of the tabs that keep what the list shows.
#pragma once

#include <QComboBox>

namespace ui {

// Empties the text of a list; its items stay.
inline void clearText(QComboBox* box) {
    box->setCurrentIndex(-1);
    box->setEditText(QString());
}

// Adds an item without changing the text the list shows (adding the first
// item of a list would otherwise select it).
inline void addKeepingText(QComboBox* box, const QString& item) {
    const QString shown = box->currentText();
    box->addItem(item);
    if (box->currentText() != shown) {
        box->setCurrentIndex(-1);
        box->setEditText(shown);
    }
}

// Removes an item (letter case ignored, as the project's keys), keeping the
// text the list shows.
inline void removeKeepingText(QComboBox* box, const QString& item) {
    const int index = box->findText(item, Qt::MatchFixedString);
    if (index < 0)
        return;
    const QString shown = box->currentText();
    box->removeItem(index);
    if (box->currentText() != shown) {
        box->setCurrentIndex(-1);
        box->setEditText(shown);
    }
}

// A box's text set from a record, without running its pick handler.
inline void setBoxText(QComboBox* box, const QString& text) {
    if (box->isEditable())
        box->setEditText(text);
    else
        box->setCurrentIndex(box->findText(text));
}

} // namespace ui
