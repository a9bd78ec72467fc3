// KRVRegF: the registry access library. Its one class, RegistryFunctions,
// wraps the registry functions for the rest of the system and reports every
// failure as the registry's status code.
#pragma once

#include "components/components.h"
#include "components/interfaces.h"

#include <QObject>

class RegistryFunctions : public QObject, public IRegistryFunctions {
    Q_OBJECT
    Q_INTERFACES(IRegistryFunctions)

public:
    using QObject::QObject;

    std::int32_t KRVOpenRegKey(std::int32_t& lvkey, QString& lvsubkey, QString& lvkeyname,
                               std::int32_t& lvaccess, QString& lvcreateflag,
                               std::int32_t& lvhandle) override;
    std::int32_t KRVSetRegEntry(std::int32_t& lvhandle, QString& lvkeyname,
                                QString& lvkeyvalue) override;
    std::int32_t KRVGetRegEntry(std::int32_t& lvhandle, QString& lvkeyname, QString& lvkeyvalue,
                                QString& lvcreate) override;
    std::int32_t KRVEmunRegKeys(std::int32_t& lvhandle, std::int32_t& lvcuridx,
                                QString& lvkeyname) override;
    std::int32_t KRVEmunRegValues(std::int32_t& lvhandle, std::int32_t& lvcuridx,
                                  QString& lvkeyname, QString* lvkeydata) override;
    std::int32_t KRVCloseRegKey(std::int32_t& lvhandle) override;
    std::int32_t KRVDeleteRegKey(std::int32_t& lnghandle, QString& strregkey) override;
    std::int32_t KRVDeleteRegValue(std::int32_t& lngkeyhandle, QVariant& strregvaluename) override;
    std::int32_t KRVQueryRegValue(std::int32_t& lvhandle, QString& lvkeyname, QString& lvkeyvalue,
                                  QString& lvcreate) override;
    std::int32_t KRVQuickGetRegEntry(std::int32_t& lvkey, QString& lvsubkey, QString& lvkeyname,
                                     std::int32_t& lvaccess, QString& lvcreateflag,
                                     std::int32_t& lvhandle, QString& lvdefaultkeyvalue) override;
    std::int32_t KRVEmunRegKeyValues(std::int32_t& lvhandle, std::int32_t& lvcuridx,
                                     QString& lvkeyname, QString& lvkeyvalue) override;

private:
    // The subkey at an index and the status of its enumeration.
    std::int32_t enumKey(std::int32_t handle, std::int32_t index, QString& name);
};

class KRVRegFLibrary : public QObject, public ComponentFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ComponentFactory_iid FILE "krvregf.json")
    Q_INTERFACES(ComponentFactory)

public:
    QObject* createObject(const QString& className) override;
};
