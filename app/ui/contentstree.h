// The contents tree: a tree of headings and topics whose nodes carry a key
// and an image number, with a drop-target highlight and its own node drag.
#pragma once

#include <QIcon>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QSet>
#include <QTreeWidget>
#include <functional>

class ContentsTree : public QTreeWidget {
    Q_OBJECT

public:
    explicit ContentsTree(QWidget* parent = nullptr);

    static QString nodeKey(const QTreeWidgetItem* item);
    static int nodeImage(const QTreeWidgetItem* item);
    QTreeWidgetItem* newNode(const QString& key, const QString& text, int image) const;
    // The texts from the root down to the node, joined by backslashes.
    static QString fullPath(const QTreeWidgetItem* item);
    // Whether `node` is `ancestor` or lies below it.
    static bool isWithin(const QTreeWidgetItem* node, const QTreeWidgetItem* ancestor);
    // The picture of image 1 (root made by Add), 2 (topic) or 3 (heading).
    QIcon nodeIcon(int image) const;

    QTreeWidgetItem* findNode(const QString& key, Qt::CaseSensitivity cs = Qt::CaseSensitive) const;

    // Marks the topic entries whose topic is not among `topicKeys`
    // (contents::HelpTopicKeys): shown struck out, with a tool tip naming the
    // topic; the others lose the mark. Returns how many are marked.
    int markMissingTopics(const QSet<QString>& topicKeys);
    // The topic a marked entry leads to; empty for an unmarked node.
    static QString missingTopic(const QTreeWidgetItem* item);
    int nodeCount() const;

    QTreeWidgetItem* dropHighlight() const;
    void setDropHighlight(QTreeWidgetItem* item);

    // Drags `item` and returns when the drag is over (then dragFinished).
    void startNodeDrag(QTreeWidgetItem* item);
    // Replaces the platform drag, so a test can drive drag-over and drop
    // events itself; returns the previous runner.
    using DragRunner = std::function<void(ContentsTree&, QTreeWidgetItem&)>;
    static DragRunner setDragRunner(DragRunner runner);
    static QString dragMimeType();

signals:
    void nodeMouseDown(Qt::MouseButton button, const QPoint& pos);
    // The left button moved far enough from a press on a node to start a drag.
    void nodeMouseDrag(const QPoint& pos);
    void nodeMouseUp(Qt::MouseButton button, const QPoint& pos);
    void nodeDragOver(const QPoint& pos);
    void nodeDragDrop(const QPoint& pos);
    // A drag went out of the tree (nothing can be dropped outside it).
    void dragLeft();
    void dragFinished();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

private:
    // The node found last: entries of one heading come in a row.
    mutable QPersistentModelIndex m_lastFound;
    QPersistentModelIndex m_highlight;
    QPoint m_pressPos;
    bool m_pressOnNode = false;
};
