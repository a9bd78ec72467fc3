// Window-level state of the contents tree editor.
#pragma once

#include "contents/contentsrules.h"
#include "frmmain.h"

#include <QPoint>
#include <QString>

struct FrmMain::ContentsState {
    QString insertionParent;            // key of the node below which the next entry goes
    contents::NodeKeySequence sequence; // run-wide counter of new keys
    bool dragging = false;
    QString draggedNode;      // key of the node under the last mouse press; empty: none
    QPoint lastMousePosition; // last drag-over, in the tree's viewport pixels
    int scrollDirection = 1;  // -1 up, +1 down
    bool loading = false;     // AddNode leaves scrolling to the end of the load
};
