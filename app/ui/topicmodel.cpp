#include "topicmodel.h"

#include "workspace/textrules.h"

#include <QSortFilterProxyModel>
#include <algorithm>

namespace {

bool before(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

class UseFilter : public QSortFilterProxyModel {
public:
    UseFilter(int use, QObject* parent) : QSortFilterProxyModel(parent), m_use(use) {}

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const QModelIndex index = sourceModel()->index(row, 0, parent);
        return (sourceModel()->data(index, TopicModel::UseRole).toInt() & m_use) != 0;
    }

public:
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return QSortFilterProxyModel::data(index, TopicModel::GeneralIdRole);
        return QSortFilterProxyModel::data(index, role);
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
    m_rows.clear();
    m_uses.clear();
    m_uses.reserve(generalTopics.size() + whatsThisTopics.size());
    // Rows by key while reading: the index of each key's row plus one.
    QHash<QString, int> rowOf;
    rowOf.reserve(generalTopics.size() + whatsThisTopics.size());
    for (auto [ids, use] :
         {std::pair{&whatsThisTopics, WhatsThis}, std::pair{&generalTopics, General}}) {
        for (const QString& id : *ids) {
            if (id.isEmpty())
                continue;
            int& at = rowOf[textrules::TopicIdKey(id)];
            if (at == 0) {
                m_rows.push_back({id, QString(), 0});
                at = int(m_rows.size());
            }
            Row& row = m_rows[size_t(at - 1)];
            row.uses |= use;
            if (use == General && row.generalId.isEmpty())
                row.generalId = id;
        }
    }
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [](const Row& a, const Row& b) { return before(a.id, b.id); });
    for (const Row& row : m_rows)
        m_uses.insert(textrules::TopicIdKey(row.id), row.uses);
    endResetModel();
}

std::pair<int, bool> TopicModel::find(const QString& id) const {
    const auto first =
        std::lower_bound(m_rows.begin(), m_rows.end(), id,
                         [](const Row& row, const QString& v) { return before(row.id, v); });
    const QString key = textrules::TopicIdKey(id);
    for (auto it = first; it != m_rows.end() && !before(id, it->id); ++it) {
        if (textrules::TopicIdKey(it->id) == key)
            return {int(it - m_rows.begin()), true};
    }
    return {int(first - m_rows.begin()), false};
}

bool TopicModel::contains(const QString& id, Use use) const {
    return (m_uses.value(textrules::TopicIdKey(id)) & use) != 0;
}

void TopicModel::add(const QString& id, Use use) {
    if (id.isEmpty() || contains(id, use))
        return;
    const QString key = textrules::TopicIdKey(id);
    const auto [row, listed] = find(id);
    m_uses[key] |= use;
    const QString generalId = use == General ? id : QString();
    if (listed) {
        Row& changed = m_rows[size_t(row)];
        changed.uses = m_uses.value(key);
        if (use == General)
            changed.generalId = generalId;
        emit dataChanged(index(row), index(row), {UseRole, GeneralIdRole});
        return;
    }
    beginInsertRows(QModelIndex(), row, row);
    m_rows.insert(m_rows.begin() + row, Row{id, generalId, use});
    endInsertRows();
}

void TopicModel::drop(const QString& id, Use use) {
    if (!contains(id, use))
        return;
    const QString key = textrules::TopicIdKey(id);
    const int uses = m_uses.value(key) & ~use;
    const auto [row, listed] = find(id);
    if (uses != 0) {
        m_uses[key] = uses;
        if (listed) {
            Row& changed = m_rows[size_t(row)];
            changed.uses = uses;
            if (use == General)
                changed.generalId.clear();
            else
                changed.id = changed.generalId;
            emit dataChanged(index(row), index(row), {Qt::DisplayRole, UseRole, GeneralIdRole});
        }
        return;
    }
    m_uses.remove(key);
    if (!listed)
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
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
