// The project's topic IDs, sorted by their keys (textrules::TopicIdKey: ASCII
// letters in any case alike), behind every topic
// list of the window: the General Help and Contents File lists show the
// general topics, the What's This? list those and the IDs What's This entries
// name. A change shows in every list at once.
#pragma once

#include <QAbstractListModel>
#include <QStringList>
#include <vector>

class QSortFilterProxyModel;

class TopicModel : public QAbstractListModel {
public:
    // What names a topic ID: a general topic, What's This entries, or both.
    enum Use { General = 1, WhatsThis = 2 };
    // The item data holding the uses of a row, and its ID as the general
    // topic spells it (the What's This list shows an entry's own spelling).
    static constexpr int UseRole = Qt::UserRole + 1;
    static constexpr int GeneralIdRole = Qt::UserRole + 2;

    explicit TopicModel(QObject* parent = nullptr);

    // The lists of a project just read (IDs may repeat and come in any order).
    void reset(const QStringList& generalTopics, const QStringList& whatsThisTopics);
    // `use` added to the ID; a new ID goes to its place in the order.
    void add(const QString& id, Use use);
    // `use` taken from the ID; an ID left without uses leaves the lists.
    void drop(const QString& id, Use use);
    bool contains(const QString& id, Use use) const;

    // The general topics only, for the General Help and Contents File lists.
    QAbstractItemModel* generalTopics() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    struct Row {
        QString key;       // the ID's key, by which rows are sorted and found
        QString id;        // as a What's This entry spells it, else as the topic does
        QString generalId; // as the general topic spells it; empty: none
        int uses = 0;
    };
    // The row of the ID (or where it would go) and whether it is there: a
    // binary search on the keys.
    std::pair<int, bool> find(const QString& id) const;

    std::vector<Row> m_rows; // sorted by key, one row per key
    QSortFilterProxyModel* m_general;
};
