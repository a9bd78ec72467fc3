// The Contents File tab: the contents tree, its commands, drag and drop and
// the drag-scroll timer.
#include "frmmain.h"

#include "contents/contentsrules.h"
#include "contents/contentstable.h"
#include "contentsstate.h"
#include "contentstree.h"
#include "dao.h"
#include "resources/stringtable.h"
#include "shell/dialogs.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <vector>

namespace {

using contents::ImageHeading;
using contents::ImageTopic;

QString RootKey() {
    return LoadResString(str::tree::RootKey);
}

void ShowEngineError(const dao::EngineError& e) {
    shell::MsgBox(e.text(), shell::vbExclamation);
}

// The rows of the children of `node` and everything below them, depth-first,
// parents before their children.
void WriteChildNodes(const QTreeWidgetItem* node, std::vector<contents::ContentsRow>& rows) {
    const QString parentKey = ContentsTree::nodeKey(node);
    for (int i = 0; i < node->childCount(); ++i) {
        const QTreeWidgetItem* child = node->child(i);
        rows.push_back({ContentsTree::nodeKey(child), child->text(0),
                        QString::number(contents::CountNodeLevels(ContentsTree::fullPath(child))),
                        parentKey, QString::number(ContentsTree::nodeImage(child))});
        if (child->childCount() > 0)
            WriteChildNodes(child, rows);
    }
}

// The node and everything below it, deepest first.
QStringList KeysDeepestFirst(QTreeWidgetItem* node) {
    std::vector<std::pair<int, QString>> nodes;
    std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int depth) {
        nodes.emplace_back(depth, ContentsTree::nodeKey(item));
        for (int i = 0; i < item->childCount(); ++i)
            walk(item->child(i), depth + 1);
    };
    walk(node, 0);
    std::stable_sort(nodes.begin(), nodes.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    QStringList keys;
    for (const auto& n : nodes)
        keys << n.second;
    return keys;
}

// Keeps the expanded state of a subtree across a move.
void SetExpandedStates(QTreeWidgetItem* item, const std::vector<bool>& states, size_t& at) {
    if (at < states.size())
        item->setExpanded(states[at++]);
    for (int i = 0; i < item->childCount(); ++i)
        SetExpandedStates(item->child(i), states, at);
}

void ExpandedStates(const QTreeWidgetItem* item, std::vector<bool>& states) {
    states.push_back(item->isExpanded());
    for (int i = 0; i < item->childCount(); ++i)
        ExpandedStates(item->child(i), states);
}

// ---- event procedures of the tree

void tvcontentsfileview_MouseDown(FrmMain& w, Qt::MouseButton button, const QPoint& pos) {
    ContentsTree* tree = w.tvcontentsfileview;
    QTreeWidgetItem* node = tree->itemAt(pos);
    if (!node)
        return;
    tree->setCurrentItem(node);
    w.txtcftitle->setText(node->text(0));
    QString key = ContentsTree::nodeKey(node);
    w.cbocftopicid->setEditText(contents::StripNodeIndex(key));
    if (ContentsTree::nodeImage(node) == ImageHeading)
        w.optheading->setChecked(true);
    else
        w.opttopic->setChecked(true);
    w.m_contents->draggedNode = ContentsTree::nodeKey(node);
    w.CheckForOk();
    if (button == Qt::RightButton) {
        w.mnutvdelete->setVisible(true);
        w.mnutvcommands->popup(tree->viewport()->mapToGlobal(pos));
    }
}

void tvcontentsfileview_MouseDrag(FrmMain& w) {
    ContentsTree* tree = w.tvcontentsfileview;
    QTreeWidgetItem* node = tree->currentItem();
    if (!node)
        return;
    w.m_contents->dragging = true;
    tree->startNodeDrag(node);
}

void tvcontentsfileview_DragOver(FrmMain& w, const QPoint& pos) {
    ContentsTree* tree = w.tvcontentsfileview;
    FrmMain::ContentsState& state = *w.m_contents;
    tree->setDropHighlight(tree->itemAt(pos));
    state.lastMousePosition = pos;
    const double perPixel = contents::TwipsPerPixel(tree->logicalDpiY());
    const int y = tree->viewport()->mapTo(tree, pos).y();
    const int direction = contents::DragScrollDirection(y * perPixel, tree->height() * perPixel);
    if (direction == 0) {
        w.Timer1->stop();
        return;
    }
    state.scrollDirection = direction;
    if (!w.Timer1->isActive())
        w.Timer1->start();
}

void EndDrag(FrmMain& w) {
    w.m_contents->dragging = false;
    w.tvcontentsfileview->setDropHighlight(nullptr);
    w.Timer1->stop();
}

void tvcontentsfileview_DragDrop(FrmMain& w) {
    ContentsTree* tree = w.tvcontentsfileview;
    FrmMain::ContentsState& state = *w.m_contents;
    QTreeWidgetItem* target = tree->dropHighlight();
    QTreeWidgetItem* dragged = tree->findNode(state.draggedNode);
    if (!target || !dragged) {
        state.dragging = false;
        return;
    }
    if (ContentsTree::nodeImage(target) != ImageTopic) {
        if (ContentsTree::isWithin(target, dragged)) {
            // OK ends the drag; Cancel keeps it as it is. The tree stays unchanged.
            if (shell::MsgBox(LoadResString(str::message::NodeIntoOwnChild),
                              shell::vbExclamation + shell::vbOKCancel) == shell::vbOK)
                EndDrag(w);
            return;
        }
        std::vector<bool> expanded;
        ExpandedStates(dragged, expanded);
        QTreeWidgetItem* from = dragged->parent();
        QTreeWidgetItem* moved = from ? from->takeChild(from->indexOfChild(dragged))
                                      : tree->takeTopLevelItem(tree->indexOfTopLevelItem(dragged));
        target->addChild(moved);
        size_t at = 0;
        SetExpandedStates(moved, expanded, at);
        target->setExpanded(true);
        tree->setCurrentItem(moved);
        tree->scrollToItem(moved);
    }
    EndDrag(w);
    state.draggedNode.clear();
    w.CheckForOk();
}

void tvcontentsfileview_Collapse(FrmMain& w) {
    QTreeWidgetItem* selected = w.tvcontentsfileview->currentItem();
    if (!selected || selected->childCount() == 0)
        return;
    for (QTreeWidgetItem* node = selected; node; node = node->parent())
        node->setExpanded(true);
    w.tvcontentsfileview->scrollToItem(selected->child(0));
}

} // namespace

void FrmMain::connectContents() {
    ContentsTree* tree = tvcontentsfileview;
    txtcftitle->setMaxLength(contents::kMaxTitleLength);
    connect(cmdaddnode, &QPushButton::clicked, this, [this] { cmdaddnode_Click(); });
    connect(tree, &ContentsTree::nodeMouseDown, this,
            [this](Qt::MouseButton button, const QPoint& pos) {
                tvcontentsfileview_MouseDown(*this, button, pos);
            });
    connect(tree, &ContentsTree::nodeMouseDrag, this,
            [this] { tvcontentsfileview_MouseDrag(*this); });
    connect(tree, &ContentsTree::nodeMouseUp, Timer1, &QTimer::stop);
    connect(tree, &ContentsTree::dragFinished, Timer1, &QTimer::stop);
    connect(tree, &ContentsTree::nodeDragOver, this,
            [this](const QPoint& pos) { tvcontentsfileview_DragOver(*this, pos); });
    // After the platform's drag has returned, so the cycle message is not
    // shown inside it.
    connect(
        tree, &ContentsTree::nodeDragDrop, this, [this] { tvcontentsfileview_DragDrop(*this); },
        Qt::QueuedConnection);
    connect(tree, &QTreeWidget::itemCollapsed, this,
            [this] { tvcontentsfileview_Collapse(*this); });
    connect(mnutvdelete, &QAction::triggered, this, [this] { mnutvdelete_Click(); });
    connect(mnucfaddhere, &QAction::triggered, this, [this] { mnucfaddhere_Click(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
}

void FrmMain::ResetContentsState() {
    m_contents->dragging = false;
    m_contents->draggedNode.clear();
    m_contents->scrollDirection = 1;
    tvcontentsfileview->setDropHighlight(nullptr);
    Timer1->stop();
}

void FrmMain::LoadContentsTree() {
    ResetContentsState();
    tvcontentsfileview->clear();
    cmdaddnode->setEnabled(false);
    cmdok->setEnabled(false);
    txtcftitle->setFocus();
    if (!m_session.isOpen())
        return;
    std::vector<contents::ContentsRow> rows;
    try {
        rows = contents::ReadContentsRows(*m_session.db);
    } catch (const dao::EngineError& e) {
        ShowEngineError(e);
        return;
    }
    if (!rows.empty()) {
        AddNode(RootKey(), LoadResString(str::caption::ContentsFile), QString(), ImageHeading);
        m_contents->insertionParent = RootKey();
    }
    m_contents->loading = true;
    QTreeWidgetItem* last = nullptr;
    for (const contents::ContentsRow& row : rows) {
        const int image = row.type.toInt();
        last =
            AddNode(row.topicId, row.title, row.parent, static_cast<quint8>(qBound(0, image, 255)));
        if (row.type == QLatin1String("3"))
            m_contents->insertionParent = row.topicId;
    }
    m_contents->loading = false;
    if (last)
        tvcontentsfileview->scrollToItem(last);
    // OK follows the tree, so moves of a loaded tree can be saved.
    CheckForOk();
}

QTreeWidgetItem* FrmMain::AddNode(const QString& strnodename, const QString& strnodevalue,
                                  const QString& strparentnode, quint8 lngimageindex) {
    ContentsTree* tree = tvcontentsfileview;
    QTreeWidgetItem* node = tree->newNode(strnodename, strnodevalue, lngimageindex);
    if (strparentnode.isEmpty()) {
        tree->addTopLevelItem(node);
    } else {
        // A parent that is gone (a heading deleted while a moved child was
        // not saved) leaves its entries below the root, where they are kept.
        QTreeWidgetItem* parent = tree->findNode(strparentnode);
        if (!parent)
            parent = tree->topLevelItem(0);
        if (parent)
            parent->addChild(node);
        else
            tree->addTopLevelItem(node);
    }
    for (QTreeWidgetItem* up = node->parent(); up; up = up->parent())
        up->setExpanded(true);
    if (!m_contents->loading) // one layout per node would make loading quadratic
        tree->scrollToItem(node);
    return node;
}

void FrmMain::cmdaddnode_Click() {
    ContentsTree* tree = tvcontentsfileview;
    const QString title = txtcftitle->text();
    if (tree->topLevelItemCount() == 0) {
        AddNode(RootKey(), LoadResString(str::caption::ContentsFile), QString(),
                contents::ImageRootAdded);
        m_contents->insertionParent = RootKey();
    }
    const bool heading = optheading->isChecked();
    const QString base =
        contents::NewNodeKeyBase(cbocftopicid->currentText(), title, opttopic->isChecked());
    // Keys are unique without regard to case, as the table compares them.
    const QString key =
        m_contents->sequence.NextKey(base, tree->nodeCount(), [tree](const QString& k) {
            return tree->findNode(k, Qt::CaseInsensitive) != nullptr;
        });
    if (key.size() > contents::kMaxKeyLength) {
        shell::MsgBox(QStringLiteral("The entry's key %1 is longer than the %2 characters a "
                                     "contents entry can keep. Use a shorter topic ID.")
                          .arg(key)
                          .arg(contents::kMaxKeyLength),
                      shell::vbExclamation);
        return;
    }
    QTreeWidgetItem* node =
        AddNode(key, title, m_contents->insertionParent, heading ? ImageHeading : ImageTopic);
    tree->setCurrentItem(node);
    if (heading)
        m_contents->insertionParent = key;
    cbocftopicid->setEditText(QString());
    txtcftitle->clear();
    CheckForOk();
    cmdaddnode->setEnabled(false);
    txtcftitle->setFocus();
}

qint16 FrmMain::CountNodeLevels(const QString& strnodepath) {
    return contents::CountNodeLevels(strnodepath);
}

QString FrmMain::StripNodeIndex(QString& strnodekey) {
    return contents::StripNodeIndex(strnodekey);
}

void FrmMain::DeleteChildNodes(QTreeWidgetItem* node) {
    if (!node)
        return;
    if (m_session.isOpen())
        contents::DeleteContentsRows(*m_session.db, KeysDeepestFirst(node));
    delete node;
}

void FrmMain::mnutvdelete_Click() {
    ContentsTree* tree = tvcontentsfileview;
    QTreeWidgetItem* node = tree->findNode(m_contents->draggedNode);
    if (!node)
        return;
    const int image = ContentsTree::nodeImage(node);
    if (image != ImageTopic && image != ImageHeading)
        return; // the root made by the first Add stays
    try {
        if (image == ImageTopic) {
            if (m_session.isOpen())
                contents::DeleteContentsRows(*m_session.db, {ContentsTree::nodeKey(node)});
            delete node;
        } else {
            DeleteChildNodes(node);
        }
    } catch (const dao::EngineError& e) {
        ShowEngineError(e); // the table and the tree stay as they were
        return;
    }
    m_contents->draggedNode.clear();
    ClearControls(TabContentsFile);
    const QTreeWidgetItem* selected = tree->currentItem();
    m_contents->insertionParent =
        selected && selected->parent() ? ContentsTree::nodeKey(selected->parent()) : RootKey();
    CheckForOk();
}

void FrmMain::mnucfaddhere_Click() {
    const QTreeWidgetItem* node = tvcontentsfileview->findNode(m_contents->draggedNode);
    if (!node)
        return;
    if (ContentsTree::nodeImage(node) == ImageHeading || !node->parent())
        m_contents->insertionParent = ContentsTree::nodeKey(node);
    else
        m_contents->insertionParent = ContentsTree::nodeKey(node->parent());
}

void FrmMain::SaveContentsTree() {
    if (!m_session.isOpen())
        return;
    std::vector<contents::ContentsRow> rows;
    if (const QTreeWidgetItem* root = tvcontentsfileview->topLevelItem(0))
        WriteChildNodes(root, rows);
    try {
        contents::ReplaceContentsRows(*m_session.db, rows);
    } catch (const dao::EngineError& e) {
        ShowEngineError(e); // one transaction: the table is as it was
    }
}

void FrmMain::Timer1_Timer() {
    ContentsTree* tree = tvcontentsfileview;
    tree->setDropHighlight(tree->itemAt(m_contents->lastMousePosition));
    tree->verticalScrollBar()->triggerAction(m_contents->scrollDirection == -1
                                                 ? QAbstractSlider::SliderSingleStepSub
                                                 : QAbstractSlider::SliderSingleStepAdd);
}
