#include "topicmodel.h"

#include "workspace/textrules.h"

#include <QSortFilterProxyModel>
#include <algorithm>

namespace {

// The rows of one use of a topic ID; the general topics' list shows their own
// spelling of each ID.
class UseFilter : public QSortFilterProxyModel {
public:
    UseFilter(int use, QObject* parent) : QSortFilterProxyModel(parent), m_use(use) {}

    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return QSortFilterProxyModel::data(index, TopicModel::GeneralIdRole);
        return QSortFilterProxyModel::data(index, role);
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const QModelIndex index = sourceModel()->index(row, 0, parent);
        return (sourceModel()->data(index, TopicModel::UseRole).toInt() & m_use) != 0;
    }

private:
    int m_use;
};

} // namespace

TopicModel::TopicModel(QObject* parent)
    : QAbstractListModel(parent), m_general(new UseFilter(General, this)) {
    m_general->setSourceModel(this);
}

QAbstractItemModel* TopicModel::generalTopics() const {
    return m_general;
}

void TopicModel::reset(const QStringList& generalTopics, const QStringList& whatsThisTopics) {
    beginResetModel();
    // Every ID with its key, the What's This spellings first; sorted by key,
    // so that the rows of one key lie together and merge into one.
    std::vector<Row> all;
    all.reserve(size_t(generalTopics.size() + whatsThisTopics.size()));
    for (const QString& id : whatsThisTopics) {
        if (!id.isEmpty())
            all.push_back({textrules::TopicIdKey(id), id, QString(), WhatsThis});
    }
    for (const QString& id : generalTopics) {
        if (!id.isEmpty())
            all.push_back({textrules::TopicIdKey(id), id, id, General});
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const Row& a, const Row& b) { return a.key < b.key; });
    m_rows.clear();
    m_rows.reserve(all.size());
    for (Row& row : all) {
        if (!m_rows.empty() && m_rows.back().key == row.key) {
            Row& kept = m_rows.back();
            kept.uses |= row.uses;
            if (kept.generalId.isEmpty())
                kept.generalId = std::move(row.generalId);
            continue;
        }
        m_rows.push_back(std::move(row));
    }
    endResetModel();
}

std::pair<int, bool> TopicModel::find(const QString& id) const {
    const QString key = textrules::TopicIdKey(id);
    const auto at = std::lower_bound(m_rows.begin(), m_rows.end(), key,
                                     [](const Row& row, const QString& k) { return row.key < k; });
    return {int(at - m_rows.begin()), at != m_rows.end() && at->key == key};
}

bool TopicModel::contains(const QString& id, Use use) const {
    const auto [row, listed] = find(id);
    return listed && (m_rows[size_t(row)].uses & use) != 0;
}

void TopicModel::add(const QString& id, Use use) {
    if (id.isEmpty())
        return;
    const auto [row, listed] = find(id);
    const QString generalId = use == General ? id : QString();
    if (listed) {
        Row& changed = m_rows[size_t(row)];
        if ((changed.uses & use) != 0)
            return;
        changed.uses |= use;
        if (use == General)
            changed.generalId = generalId;
        emit dataChanged(index(row), index(row), {UseRole, GeneralIdRole});
        return;
    }
    beginInsertRows(QModelIndex(), row, row);
    m_rows.insert(m_rows.begin() + row, Row{textrules::TopicIdKey(id), id, generalId, use});
    endInsertRows();
}

void TopicModel::drop(const QString& id, Use use) {
    const auto [row, listed] = find(id);
    if (!listed || (m_rows[size_t(row)].uses & use) == 0)
        return;
    Row& changed = m_rows[size_t(row)];
    changed.uses &= ~use;
    if (changed.uses == 0) {
        beginRemoveRows(QModelIndex(), row, row);
        m_rows.erase(m_rows.begin() + row);
        endRemoveRows();
        return;
    }
    if (use == General)
        changed.generalId.clear();
    else
        changed.id = changed.generalId;
    emit dataChanged(index(row), index(row), {Qt::DisplayRole, UseRole, GeneralIdRole});
}

int TopicModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant TopicModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const Row& row = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return row.id;
    case UseRole:
        return row.uses;
    case GeneralIdRole:
        return row.generalId;
    default:
        return {};
    }
}
