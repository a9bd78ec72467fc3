// The Contents File tab: the contents tree, its commands, drag and drop and
// the drag-scroll timer.
#pragma once

#include "contents/contentsrules.h"
#include "tabpage.h"

#include <memory>

#include <QPoint>
#include <QString>

class QAction;
class QMenu;
class QTimer;
class QTreeWidgetItem;

namespace Ui {
class ContentsFileTab;
}

class ContentsFileTab : public TabPage {
public:
    explicit ContentsFileTab(TabContext& context);
    ~ContentsFileTab() override;

    void loadStrings() override;
    void projectOpened() override;
    void shown() override;
    records::ButtonStates checkForOk() override;
    void clear() override;
    void save() override; // SaveContentsTree
    // The tree as stored; Cancel only empties the entry fields.
    void discard() override { LoadContentsTree(); }
    bool keepsChangesWhenHidden() const override { return false; }

    void LoadContentsTree();
    void cmdaddnode_Click();
    QTreeWidgetItem* AddNode(const QString& strnodename, const QString& strnodevalue,
                             const QString& strparentnode = QString(), quint8 lngimageindex = 0);
    void DeleteChildNodes(QTreeWidgetItem* node);
    void mnutvdelete_Click();
    void mnucfaddhere_Click();
    // OK on the tab: rewrites the contentsfile table from the tree.
    void SaveContentsTree();
    void Timer1_Timer();
    // Forgets a drag in progress and the node last pressed.
    void ResetContentsState();

    // What the tree editor keeps between events.
    struct State {
        QString insertionParent;            // key of the node below which the next entry goes
        contents::NodeKeySequence sequence; // run-wide counter of new keys
        bool dragging = false;
        QString draggedNode;      // key of the node under the last mouse press; empty: none
        QPoint lastMousePosition; // last drag-over, in the tree's viewport pixels
        int scrollDirection = 1;  // -1 up, +1 down
        bool loading = false;     // AddNode leaves scrolling to the end of the load
    } state;

    // The drag-scroll timer and the tree's pop-up menu.
    QTimer* Timer1 = nullptr;
    QMenu* mnutvcommands = nullptr;
    QAction* mnutvdelete = nullptr;
    QAction* mnucfaddhere = nullptr;

private:
    void mouseDown(Qt::MouseButton button, const QPoint& pos);
    void mouseDrag();
    void dragOver(const QPoint& pos);
    void dragDrop();
    void endDrag();
    void collapsed();
    // Strikes out the entries whose topic the project does not have.
    void markMissingTopics();

    QString m_topicTitle; // the title last taken from a picked topic

    std::unique_ptr<Ui::ContentsFileTab> ui;
};
