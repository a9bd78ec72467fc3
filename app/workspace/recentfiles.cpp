#include "recentfiles.h"

#include "components/interfaces.h"
#include "resources/stringtable.h"

#include <QVariant>

namespace recentfiles {

namespace {

constexpr std::int32_t kCurrentUser = static_cast<std::int32_t>(0x80000001u);
constexpr std::int32_t kAccess = 0x2003F;

QString valueName(int position) {
    return QStringLiteral("MRU") + QString::number(position);
}

// The settings key, opened or created; closed when the object goes.
class SettingsKey {
public:
    explicit SettingsKey(IRegistryFunctions& registry) : m_registry(registry) {
        std::int32_t root = kCurrentUser;
        std::int32_t access = kAccess;
        QString path = LoadResString(str::registry::SettingsPath);
        QString className = LoadResString(str::registry::SettingsClass);
        QString create = QStringLiteral("Y");
        m_open = m_registry.KRVOpenRegKey(root, path, className, access, create, m_handle) == 0;
    }
    ~SettingsKey() {
        if (m_open)
            m_registry.KRVCloseRegKey(m_handle);
    }
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;

    bool isOpen() const { return m_open; }

    // The value's text; empty when it is missing, empty or cannot be read.
    QString get(const QString& name) {
        QString key = name;
        QString value;
        QString create = QStringLiteral("N");
        if (m_registry.KRVGetRegEntry(m_handle, key, value, create) != 0)
            return {};
        return value;
    }
    void set(const QString& name, const QString& text) {
        QString key = name;
        QString value = text;
        m_registry.KRVSetRegEntry(m_handle, key, value);
    }
    void remove(const QString& name) {
        QVariant key = name;
        m_registry.KRVDeleteRegValue(m_handle, key);
    }

private:
    IRegistryFunctions& m_registry;
    std::int32_t m_handle = 0;
    bool m_open = false;
};

} // namespace

QString caption(int position, const QString& path) {
    return QLatin1Char('&') + QString::number(position) + QLatin1Char(' ') + path;
}

QString pathFromCaption(const QString& text) {
    return text.mid(3);
}

QStringList read(IRegistryFunctions& registry) {
    SettingsKey key(registry);
    QStringList list;
    if (!key.isOpen())
        return list;
    for (int k = 1; k <= kMaxEntries; ++k) {
        const QString path = key.get(valueName(k));
        if (path.isEmpty())
            break;
        list << path;
    }
    return list;
}

QStringList add(IRegistryFunctions& registry, const QString& path) {
    SettingsKey key(registry);
    QStringList written;
    if (!key.isOpen())
        return written;
    for (int k = 1; k <= kMaxEntries; ++k)
        if (key.get(valueName(k)) == path && !path.isEmpty())
            return written;
    QString carried = path;
    for (int k = 1; k <= kMaxEntries && !carried.isEmpty(); ++k) {
        const QString old = key.get(valueName(k));
        key.set(valueName(k), carried);
        written << carried;
        carried = old;
    }
    return written;
}

bool moveToTop(IRegistryFunctions& registry, int position, const QString& path) {
    SettingsKey key(registry);
    if (!key.isOpen())
        return false;
    const QString holding = LoadResString(str::registry::MRU0);
    key.set(holding, path);
    for (int k = position - 1; k >= 0; --k) {
        const QString text = key.get(k == 0 ? holding : valueName(k));
        if (!text.isEmpty())
            key.set(valueName(k + 1), text);
    }
    key.remove(holding);
    return true;
}

} // namespace recentfiles
