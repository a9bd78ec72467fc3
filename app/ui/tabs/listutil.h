// Changes to the drop-down lists of the tabs that keep what the list shows.
#pragma once

#include <QAbstractItemModel>
#include <QComboBox>
#include <memory>

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

// Shows `text` in the list, as its item when it has one, so that the arrow
// keys go on from there.
inline void showText(QComboBox* box, const QString& text) {
    const int index = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    box->setCurrentIndex(index);
    if (index < 0)
        box->setEditText(text);
}

// A list over a model other lists share keeps its text while items come and
// go (a list would otherwise choose its first new item, or the next one when
// its own item goes), and tells nothing of the change.
inline void keepTextWhileItemsChange(QComboBox* box) {
    struct Held {
        QString text;
        bool blocked = false;
    };
    auto held = std::make_shared<Held>();
    const auto before = [box, held] {
        held->text = box->currentText();
        held->blocked = box->blockSignals(true);
    };
    const auto after = [box, held] {
        if (box->currentText() != held->text)
            showText(box, held->text);
        box->blockSignals(held->blocked);
    };
    QAbstractItemModel* model = box->model();
    QObject::connect(model, &QAbstractItemModel::rowsAboutToBeInserted, box, before);
    QObject::connect(model, &QAbstractItemModel::rowsInserted, box, after);
    QObject::connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, box, before);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, box, after);
}

} // namespace ui
