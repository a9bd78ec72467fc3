#include "contentstree.h"

#include "icons.h"

#include "contents/contentstable.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QTreeWidgetItemIterator>
#include <utility>

namespace {

constexpr int KeyRole = Qt::UserRole + 1;
constexpr int ImageRole = Qt::UserRole + 2;
constexpr int MissingRole = Qt::UserRole + 3;

ContentsTree::DragRunner& dragRunner() {
    static ContentsTree::DragRunner runner;
    return runner;
}

} // namespace

ContentsTree::ContentsTree(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Our own drag of one node; the scroll timer of the window scrolls.
    setDragEnabled(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setAutoScroll(false);
    setDropIndicatorShown(false);
    // The pop-up menu is shown on the mouse press, as the window decides.
    setContextMenuPolicy(Qt::PreventContextMenu);
}

QString ContentsTree::nodeKey(const QTreeWidgetItem* item) {
    return item ? item->data(0, KeyRole).toString() : QString();
}

int ContentsTree::nodeImage(const QTreeWidgetItem* item) {
    return item ? item->data(0, ImageRole).toInt() : 0;
}

QTreeWidgetItem* ContentsTree::newNode(const QString& key, const QString& text, int image) const {
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, KeyRole, key);
    if (image != 0) {
        item->setData(0, ImageRole, image);
        item->setIcon(0, nodeIcon(image));
    }
    return item;
}

int ContentsTree::markMissingTopics(const QSet<QString>& topicKeys) {
    int marked = 0;
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        QTreeWidgetItem* item = *it;
        const QString missing =
            item->parent()
                ? contents::MissingTopicOf(
                      {nodeKey(item), item->text(0), {}, {}, QString::number(nodeImage(item))},
                      topicKeys)
                : QString();
        if (missing == missingTopic(item))
            continue;
        QFont font = item->font(0);
        font.setStrikeOut(!missing.isEmpty());
        item->setFont(0, font);
        item->setData(0, MissingRole, missing);
        item->setToolTip(0, missing.isEmpty() ? QString()
                                              : QStringLiteral("The project has no topic %1: "
                                                               "this entry leads nowhere.")
                                                    .arg(missing));
    }
    for (QTreeWidgetItemIterator it(this); *it; ++it)
        marked += missingTopic(*it).isEmpty() ? 0 : 1;
    return marked;
}

QString ContentsTree::missingTopic(const QTreeWidgetItem* item) {
    return item ? item->data(0, MissingRole).toString() : QString();
}

QString ContentsTree::fullPath(const QTreeWidgetItem* item) {
    QStringList texts;
    for (; item; item = item->parent())
        texts.prepend(item->text(0));
    return texts.join(QLatin1Char('\\'));
}

bool ContentsTree::isWithin(const QTreeWidgetItem* node, const QTreeWidgetItem* ancestor) {
    for (; node; node = node->parent())
        if (node == ancestor)
            return true;
    return false;
}

QIcon ContentsTree::nodeIcon(int image) const {
    switch (image) {
    case 1:
        return ui::picture(QStringLiteral("tree/contents"));
    case 2:
        return ui::picture(QStringLiteral("tree/topic"));
    case 3:
        return ui::picture(QStringLiteral("tree/heading"));
    default:
        return QIcon();
    }
}

QTreeWidgetItem* ContentsTree::findNode(const QString& key, Qt::CaseSensitivity cs) const {
    if (cs == Qt::CaseSensitive && m_lastFound.isValid()) {
        QTreeWidgetItem* last = itemFromIndex(m_lastFound);
        if (nodeKey(last) == key)
            return last;
    }
    for (QTreeWidgetItemIterator it(const_cast<ContentsTree*>(this)); *it; ++it) {
        if (nodeKey(*it).compare(key, cs) == 0) {
            m_lastFound = indexFromItem(*it);
            return *it;
        }
    }
    return nullptr;
}

int ContentsTree::nodeCount() const {
    int count = 0;
    for (QTreeWidgetItemIterator it(const_cast<ContentsTree*>(this)); *it; ++it)
        ++count;
    return count;
}

QTreeWidgetItem* ContentsTree::dropHighlight() const {
    return m_highlight.isValid() ? itemFromIndex(m_highlight) : nullptr;
}

void ContentsTree::setDropHighlight(QTreeWidgetItem* item) {
    const QModelIndex index = item ? indexFromItem(item) : QModelIndex();
    if (index == QModelIndex(m_highlight))
        return;
    m_highlight = index;
    viewport()->update();
}

ContentsTree::DragRunner ContentsTree::setDragRunner(DragRunner runner) {
    return std::exchange(dragRunner(), std::move(runner));
}

QString ContentsTree::dragMimeType() {
    return QStringLiteral("application/x-quillmate-contents-node");
}

void ContentsTree::startNodeDrag(QTreeWidgetItem* item) {
    m_pressOnNode = false; // one drag per press
    if (!item)
        return;
    if (const DragRunner& runner = dragRunner()) {
        runner(*this, *item);
    } else {
        auto* drag = new QDrag(this);
        auto* mime = new QMimeData;
        mime->setData(dragMimeType(), nodeKey(item).toUtf8());
        drag->setMimeData(mime);
        QRect rect = visualItemRect(item);
        if (rect.isValid()) {
            // The entry's picture and caption only, faint, below and to the
            // right of the pointer: the entry under the pointer stays visible.
            const int textRight = rect.left() + indentation() + iconSize().width() +
                                  fontMetrics().horizontalAdvance(item->text(0)) + 12;
            rect.setRight(qMin(rect.right(), textRight));
            const QPixmap picture = viewport()->grab(rect);
            QPixmap faint(picture.size());
            faint.setDevicePixelRatio(picture.devicePixelRatio());
            faint.fill(Qt::transparent);
            QPainter painter(&faint);
            painter.setOpacity(0.6);
            painter.drawPixmap(0, 0, picture);
            painter.end();
            drag->setPixmap(faint);
            drag->setHotSpot(QPoint(-16, -12));
        }
        drag->exec(Qt::MoveAction);
    }
    emit dragFinished();
}

void ContentsTree::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    m_pressPos = event->position().toPoint();
    m_pressOnNode = itemAt(m_pressPos) != nullptr;
    emit nodeMouseDown(event->button(), m_pressPos);
}

void ContentsTree::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if ((event->buttons() & Qt::LeftButton) && m_pressOnNode) {
        // No selection follows the pointer while a node may be dragged.
        if ((pos - m_pressPos).manhattanLength() >= QApplication::startDragDistance())
            emit nodeMouseDrag(pos);
        return;
    }
    QTreeWidget::mouseMoveEvent(event);
}

void ContentsTree::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    m_pressOnNode = false;
    emit nodeMouseUp(event->button(), event->position().toPoint());
}

void ContentsTree::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData() && event->mimeData()->hasFormat(dragMimeType()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ContentsTree::dragLeaveEvent(QDragLeaveEvent* event) {
    QTreeWidget::dragLeaveEvent(event);
    emit dragLeft();
}

void ContentsTree::dragMoveEvent(QDragMoveEvent* event) {
    if (!event->mimeData() || !event->mimeData()->hasFormat(dragMimeType())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit nodeDragOver(event->position().toPoint());
}

void ContentsTree::dropEvent(QDropEvent* event) {
    if (!event->mimeData() || !event->mimeData()->hasFormat(dragMimeType())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit nodeDragDrop(event->position().toPoint());
}

void ContentsTree::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    if (m_highlight.isValid() && index == QModelIndex(m_highlight)) {
        QStyleOptionViewItem highlighted(option);
        highlighted.state |= QStyle::State_Selected;
        QTreeWidget::drawRow(painter, highlighted, index);
        return;
    }
    QTreeWidget::drawRow(painter, option, index);
}
