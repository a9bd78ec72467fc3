#include "contentsfiletab.h"

#include "contents/contentstable.h"
#include "dao.h"
#include "listutil.h"
#include "resources/stringtable.h"
#include "shell/dialogs.h"
#include "ui/captions.h"
#include "ui/commandguard.h"
#include "ui/contentstree.h"
#include "ui/roomleft.h"
#include "ui/topicmodel.h"
#include "ui_contentsfiletab.h"
#include "workspace/records.h"
#include "workspace/session.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <functional>
#include <vector>

namespace {

using contents::ImageHeading;
using contents::ImageTopic;

QString RootKey() {
    return LoadResString(str::tree::RootKey);
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

int EntriesBelow(const QTreeWidgetItem* node) {
    int count = node->childCount();
    for (int i = 0; i < node->childCount(); ++i)
        count += EntriesBelow(node->child(i));
    return count;
}

} // namespace

ContentsFileTab::ContentsFileTab(TabContext& context)
    : TabPage(context, tr("Contents File")), ui(std::make_unique<Ui::ContentsFileTab>()) {
    ui->setupUi(this);
    ui->cbocftopicid->setModel(topics().generalTopics());
    ui::keepTextWhileItemsChange(ui->cbocftopicid);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(200);
    // The contents tree's pop-up menu; never part of the menu bar.
    mnutvcommands = new QMenu(this);
    mnutvcommands->setObjectName(QStringLiteral("mnutvcommands"));
    mnutvdelete = mnutvcommands->addAction(QString());
    mnutvdelete->setObjectName(QStringLiteral("mnutvdelete"));
    mnucfaddhere = mnutvcommands->addAction(QString());
    mnucfaddhere->setObjectName(QStringLiteral("mnucfaddhere"));
    // Picking a topic gives the title the topic's own, unless the author
    // typed one (a title taken from the topic picked before is replaced).
    onPick(
        ui->cbocftopicid,
        [this] {
            const QString title = ui->txtcftitle->text();
            if ((!title.isEmpty() && title != m_topicTitle) || !session().isOpen())
                return;
            ui::runCommand([this] {
                if (const auto topic =
                        records::LoadGeneralHelp(*session().db, ui->cbocftopicid->currentText())) {
                    m_topicTitle = topic->title;
                    ui->txtcftitle->setText(topic->title);
                }
            });
        },
        false); // the tree's changes stay whatever topic is picked
    // Add follows the tab's rule.
    connect(this, &TabPage::changed, this, [this] {
        if (const auto add = checkForOk().addnode)
            ui->cmdaddnode->setEnabled(*add);
    });
    ContentsTree* tree = ui->tvcontentsfileview;
    ui->txtcftitle->setMaxLength(contents::kMaxTitleLength);
    ui::showRoomLeft(ui->txtcftitle, tr("The title"),
                     [this](const QString& note) { emit status(note, 6000); });
    connect(ui->cmdaddnode, &QPushButton::clicked, this, [this] { cmdaddnode_Click(); });
    // Enter in the title adds the entry, as Add does.
    connect(ui->txtcftitle, &QLineEdit::returnPressed, this, [this] {
        if (ui->cmdaddnode->isEnabled())
            cmdaddnode_Click();
    });
    const auto check = [this] { emit changed(); };
    connect(ui->cbocftopicid, &QComboBox::currentTextChanged, this, check);
    connect(ui->cbocftopicid, &QComboBox::activated, this, check);
    connect(ui->txtcftitle, &QLineEdit::textChanged, this, check);
    connect(ui->opttopic, &QRadioButton::clicked, this, check);
    connect(ui->optheading, &QRadioButton::clicked, this, check);
    connect(tree, &ContentsTree::nodeMouseDown, this,
            [this](Qt::MouseButton button, const QPoint& pos) { mouseDown(button, pos); });
    connect(tree, &ContentsTree::nodeMouseDrag, this, [this] { mouseDrag(); });
    connect(tree, &ContentsTree::nodeMouseUp, Timer1, &QTimer::stop);
    connect(tree, &ContentsTree::dragFinished, Timer1, &QTimer::stop);
    connect(tree, &ContentsTree::dragLeft, Timer1, &QTimer::stop);
    connect(tree, &ContentsTree::nodeDragOver, this, [this](const QPoint& pos) { dragOver(pos); });
    // After the platform's drag has returned, so the cycle message is not
    // shown inside it.
    connect(
        tree, &ContentsTree::nodeDragDrop, this, [this] { dragDrop(); }, Qt::QueuedConnection);
    connect(tree, &QTreeWidget::itemCollapsed, this, [this] { collapsed(); });
    connect(mnutvdelete, &QAction::triggered, this, [this] { mnutvdelete_Click(); });
    connect(mnucfaddhere, &QAction::triggered, this, [this] { mnucfaddhere_Click(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
}

ContentsFileTab::~ContentsFileTab() = default;

void ContentsFileTab::loadStrings() {
    ui::loadCaptions({{ui->frmcfentrytype, str::caption::EntryType},
                      {ui->opttopic, str::caption::Topic},
                      {ui->optheading, str::caption::Heading},
                      {ui->cmdaddnode, str::caption::Add},
                      {ui->lblcftopicid, str::caption::EntryTopicId},
                      {ui->lblcftitle, str::caption::Title},
                      {mnutvcommands, str::menu::TreeViewCommands},
                      {mnutvdelete, str::menu::Delete},
                      {mnucfaddhere, str::menu::AddHere}});
}

void ContentsFileTab::projectOpened() {
    TabPage::projectOpened();
    ui->tvcontentsfileview->clear();
}

void ContentsFileTab::shown() {
    LoadContentsTree();
}

records::ButtonStates ContentsFileTab::checkForOk() {
    int nodes = 0;
    for (QTreeWidgetItemIterator it(ui->tvcontentsfileview); *it; ++it)
        ++nodes;
    return records::CheckContentsFile({ui->cbocftopicid->currentText(), ui->txtcftitle->text(),
                                       ui->opttopic->isChecked(), ui->optheading->isChecked(),
                                       nodes});
}

void ContentsFileTab::clear() {
    ui::clearText(ui->cbocftopicid);
    ui->txtcftitle->clear();
    ui->cbocftopicid->setFocus();
}

void ContentsFileTab::save() {
    SaveContentsTree();
}

// ---- event procedures of the tree

void ContentsFileTab::mouseDown(Qt::MouseButton button, const QPoint& pos) {
    ContentsTree* tree = ui->tvcontentsfileview;
    QTreeWidgetItem* node = tree->itemAt(pos);
    if (!node)
        return;
    tree->setCurrentItem(node);
    state.draggedNode = ContentsTree::nodeKey(node);
    // The root is no entry: its caption and key are not the author's to edit.
    const bool root = !node->parent();
    if (!root) {
        ui->txtcftitle->setText(node->text(0));
        QString key = state.draggedNode; // stripped in place
        ui->cbocftopicid->setEditText(contents::StripNodeIndex(key));
        if (ContentsTree::nodeImage(node) == ImageHeading)
            ui->optheading->setChecked(true);
        else
            ui->opttopic->setChecked(true);
    }
    emit changed();
    if (button == Qt::RightButton) {
        // The root made by the first Add is no entry: nothing to delete there.
        const int image = ContentsTree::nodeImage(node);
        mnutvdelete->setVisible(true);
        mnutvdelete->setEnabled(image == ImageTopic || image == ImageHeading);
        mnutvcommands->popup(tree->viewport()->mapToGlobal(pos));
    }
}

void ContentsFileTab::mouseDrag() {
    ContentsTree* tree = ui->tvcontentsfileview;
    QTreeWidgetItem* node = tree->currentItem();
    if (!node || !node->parent())
        return; // the root stays where it is
    state.dragging = true;
    tree->startNodeDrag(node);
}

void ContentsFileTab::dragOver(const QPoint& pos) {
    ContentsTree* tree = ui->tvcontentsfileview;
    tree->setDropHighlight(tree->itemAt(pos));
    state.lastMousePosition = pos;
    const double perPixel = contents::TwipsPerPixel(tree->logicalDpiY());
    const int y = tree->viewport()->mapTo(tree, pos).y();
    const int direction = contents::DragScrollDirection(y * perPixel, tree->height() * perPixel);
    if (direction == 0) {
        Timer1->stop();
        return;
    }
    state.scrollDirection = direction;
    if (!Timer1->isActive())
        Timer1->start();
}

void ContentsFileTab::endDrag() {
    state.dragging = false;
    ui->tvcontentsfileview->setDropHighlight(nullptr);
    Timer1->stop();
}

void ContentsFileTab::dragDrop() {
    ContentsTree* tree = ui->tvcontentsfileview;
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
                endDrag();
            return;
        }
        std::vector<bool> expanded;
        ExpandedStates(dragged, expanded);
        QTreeWidgetItem* from = dragged->parent();
        QTreeWidgetItem* moved = from ? from->takeChild(from->indexOfChild(dragged))
                                      : tree->takeTopLevelItem(tree->indexOfTopLevelItem(dragged));
        target->addChild(moved);
        setModified(true);
        size_t at = 0;
        SetExpandedStates(moved, expanded, at);
        target->setExpanded(true);
        tree->setCurrentItem(moved);
        tree->scrollToItem(moved);
    }
    endDrag();
    state.draggedNode.clear();
    emit changed();
}

void ContentsFileTab::collapsed() {
    QTreeWidgetItem* selected = ui->tvcontentsfileview->currentItem();
    if (!selected || selected->childCount() == 0)
        return;
    for (QTreeWidgetItem* node = selected; node; node = node->parent())
        node->setExpanded(true);
    ui->tvcontentsfileview->scrollToItem(selected->child(0));
}

// ---- the tab's procedures

void ContentsFileTab::ResetContentsState() {
    state.dragging = false;
    state.draggedNode.clear();
    state.scrollDirection = 1;
    ui->tvcontentsfileview->setDropHighlight(nullptr);
    Timer1->stop();
}

void ContentsFileTab::LoadContentsTree() {
    ResetContentsState();
    setModified(false);
    ui->tvcontentsfileview->clear();
    ui->cmdaddnode->setEnabled(false);
    ui->txtcftitle->setFocus();
    if (!session().isOpen())
        return;
    std::vector<contents::ContentsRow> rows;
    if (!ui::runCommand([&] { rows = contents::ReadContentsRows(*session().db); }))
        return;
    if (!rows.empty()) {
        AddNode(RootKey(), LoadResString(str::caption::ContentsFile), QString(), ImageHeading);
        state.insertionParent = RootKey();
    }
    state.loading = true;
    QTreeWidgetItem* last = nullptr;
    for (const contents::ContentsRow& row : rows) {
        const int image = row.type.toInt();
        last =
            AddNode(row.topicId, row.title, row.parent, static_cast<quint8>(qBound(0, image, 255)));
        if (row.type == QLatin1String("3"))
            state.insertionParent = row.topicId;
    }
    state.loading = false;
    if (last)
        ui->tvcontentsfileview->scrollToItem(last);
    markMissingTopics();
    // OK follows the tree, so moves of a loaded tree can be saved.
    emit changed();
}

QTreeWidgetItem* ContentsFileTab::AddNode(const QString& strnodename, const QString& strnodevalue,
                                          const QString& strparentnode, quint8 lngimageindex) {
    ContentsTree* tree = ui->tvcontentsfileview;
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
    if (!state.loading) // one layout per node would make loading quadratic
        tree->scrollToItem(node);
    return node;
}

void ContentsFileTab::cmdaddnode_Click() {
    ContentsTree* tree = ui->tvcontentsfileview;
    const QString title = ui->txtcftitle->text();
    // Create writes such a title as it is: the author hears of it now.
    if (const QString warning = contents::TitleWarning(title);
        !warning.isEmpty() &&
        shell::MsgBox(warning + tr("\n\nAdd it all the same?"),
                      shell::vbExclamation + shell::vbOKCancel) != shell::vbOK)
        return;
    if (tree->topLevelItemCount() == 0) {
        AddNode(RootKey(), LoadResString(str::caption::ContentsFile), QString(),
                contents::ImageRootAdded);
        state.insertionParent = RootKey();
    }
    const bool heading = ui->optheading->isChecked();
    const QString base =
        contents::NewNodeKeyBase(ui->cbocftopicid->currentText(), title, ui->opttopic->isChecked());
    // Keys are unique without regard to case, as the table compares them.
    const QString key = state.sequence.NextKey(base, tree->nodeCount(), [tree](const QString& k) {
        return tree->findNode(k, Qt::CaseInsensitive) != nullptr;
    });
    if (key.size() > contents::kMaxKeyLength) {
        shell::MsgBox(tr("The entry's key %1 is longer than the %2 characters a contents entry "
                         "can keep. Use a shorter topic ID.")
                          .arg(key, QString::number(contents::kMaxKeyLength)),
                      shell::vbExclamation);
        return;
    }
    QTreeWidgetItem* node =
        AddNode(key, title, state.insertionParent, heading ? ImageHeading : ImageTopic);
    setModified(true);
    tree->setCurrentItem(node);
    if (heading)
        state.insertionParent = key;
    markMissingTopics();
    ui->cbocftopicid->setEditText(QString());
    ui->txtcftitle->clear();
    emit changed();
    ui->cmdaddnode->setEnabled(false);
    ui->txtcftitle->setFocus();
}

void ContentsFileTab::DeleteChildNodes(QTreeWidgetItem* node) {
    if (!node)
        return;
    if (session().isOpen())
        contents::DeleteContentsRows(*session().db, KeysDeepestFirst(node));
    delete node;
}

void ContentsFileTab::mnutvdelete_Click() {
    ContentsTree* tree = ui->tvcontentsfileview;
    QTreeWidgetItem* node = tree->findNode(state.draggedNode);
    if (!node)
        return;
    const int image = ContentsTree::nodeImage(node);
    if (image != ImageTopic && image != ImageHeading)
        return; // the root made by the first Add stays
    // The entry (a heading with its entries) leaves the project at once: asked first.
    const QString title = node->text(0);
    const int below = EntriesBelow(node);
    if (below == 0 ? !confirmDelete(tr("the entry \"%1\"").arg(title))
                   : shell::MsgBox(tr("Delete \"%1\" and %2 below it? They are removed from the "
                                      "project at once.")
                                       .arg(title, below == 1 ? tr("the entry")
                                                              : tr("the %1 entries").arg(below)),
                                   shell::vbQuestion + shell::vbOKCancel) != shell::vbOK)
        return;
    // A refusal of the store leaves the table and the tree as they were.
    const bool deleted = ui::runCommand([&] {
        if (image == ImageTopic) {
            if (session().isOpen())
                contents::DeleteContentsRows(*session().db, {ContentsTree::nodeKey(node)});
            delete node;
        } else {
            DeleteChildNodes(node);
        }
    });
    if (!deleted)
        return;
    told(below == 0 ? QStringLiteral("Deleted the entry \"%1\".").arg(title)
                    : QStringLiteral("Deleted \"%1\" and %2 below it.").arg(title).arg(below));
    state.draggedNode.clear();
    clear();
    const QTreeWidgetItem* selected = tree->currentItem();
    state.insertionParent =
        selected && selected->parent() ? ContentsTree::nodeKey(selected->parent()) : RootKey();
    emit changed();
}

void ContentsFileTab::mnucfaddhere_Click() {
    const QTreeWidgetItem* node = ui->tvcontentsfileview->findNode(state.draggedNode);
    if (!node)
        return;
    if (ContentsTree::nodeImage(node) == ImageHeading || !node->parent())
        state.insertionParent = ContentsTree::nodeKey(node);
    else
        state.insertionParent = ContentsTree::nodeKey(node->parent());
}

void ContentsFileTab::markMissingTopics() {
    if (session().isOpen())
        ui::runCommand([this] {
            ui->tvcontentsfileview->markMissingTopics(contents::HelpTopicKeys(*session().db));
        });
}

void ContentsFileTab::SaveContentsTree() {
    if (!session().isOpen())
        return;
    std::vector<contents::ContentsRow> rows;
    if (const QTreeWidgetItem* root = ui->tvcontentsfileview->topLevelItem(0))
        WriteChildNodes(root, rows);
    contents::ReplaceContentsRows(*session().db, rows); // one transaction: all or nothing
}

void ContentsFileTab::Timer1_Timer() {
    ContentsTree* tree = ui->tvcontentsfileview;
    tree->setDropHighlight(tree->itemAt(state.lastMousePosition));
    tree->verticalScrollBar()->triggerAction(state.scrollDirection == -1
                                                 ? QAbstractSlider::SliderSingleStepSub
                                                 : QAbstractSlider::SliderSingleStepAdd);
}
