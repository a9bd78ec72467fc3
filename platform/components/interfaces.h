// Interfaces of the component classes, shared by the component libraries and
// their callers. Arguments are passed by reference as the callers expect:
// a method may change any argument it was given.
#pragma once

#include <QString>
#include <QVariant>
#include <QtPlugin>
#include <cstdint>
#include <stdexcept>

// A runtime error raised inside a component method and passed to its caller,
// with the runtime's error number (13 type mismatch, 6 overflow, ...) and text.
class ComponentRuntimeError : public std::runtime_error {
public:
    ComponentRuntimeError(int number, const QString& description)
        : std::runtime_error(description.toStdString()), m_number(number),
          m_description(description) {}
    int number() const { return m_number; }
    QString description() const { return m_description; }

private:
    int m_number;
    QString m_description;
};

// KRVRegF.RegistryFunctions: every registry read and write of the system.
class IRegistryFunctions {
public:
    virtual ~IRegistryFunctions() = default;
    virtual std::int32_t KRVOpenRegKey(std::int32_t& lvkey, QString& lvsubkey, QString& lvkeyname,
                                       std::int32_t& lvaccess, QString& lvcreateflag,
                                       std::int32_t& lvhandle) = 0;
    virtual std::int32_t KRVSetRegEntry(std::int32_t& lvhandle, QString& lvkeyname,
                                        QString& lvkeyvalue) = 0;
    virtual std::int32_t KRVGetRegEntry(std::int32_t& lvhandle, QString& lvkeyname,
                                        QString& lvkeyvalue, QString& lvcreate) = 0;
    virtual std::int32_t KRVEmunRegKeys(std::int32_t& lvhandle, std::int32_t& lvcuridx,
                                        QString& lvkeyname) = 0;
    // lvkeydata may be null (omitted).
    virtual std::int32_t KRVEmunRegValues(std::int32_t& lvhandle, std::int32_t& lvcuridx,
                                          QString& lvkeyname, QString* lvkeydata) = 0;
    virtual std::int32_t KRVCloseRegKey(std::int32_t& lvhandle) = 0;
    virtual std::int32_t KRVDeleteRegKey(std::int32_t& lnghandle, QString& strregkey) = 0;
    virtual std::int32_t KRVDeleteRegValue(std::int32_t& lngkeyhandle,
                                           QVariant& strregvaluename) = 0;
    virtual std::int32_t KRVQueryRegValue(std::int32_t& lvhandle, QString& lvkeyname,
                                          QString& lvkeyvalue, QString& lvcreate) = 0;
    // Throws ComponentRuntimeError 13 on a value that is not a number.
    virtual std::int32_t KRVQuickGetRegEntry(std::int32_t& lvkey, QString& lvsubkey,
                                             QString& lvkeyname, std::int32_t& lvaccess,
                                             QString& lvcreateflag, std::int32_t& lvhandle,
                                             QString& lvdefaultkeyvalue) = 0;
    virtual std::int32_t KRVEmunRegKeyValues(std::int32_t& lvhandle, std::int32_t& lvcuridx,
                                             QString& lvkeyname, QString& lvkeyvalue) = 0;
};
#define IRegistryFunctions_iid "com.korvane.quillmate._RegistryFunctions/1.0"
Q_DECLARE_INTERFACE(IRegistryFunctions, IRegistryFunctions_iid)

// QMTSetUp.QMTSetUp: first-run setup.
class IQMTSetUp {
public:
    virtual ~IQMTSetUp() = default;
    virtual void SetUp() = 0;
};
#define IQMTSetUp_iid "com.korvane.quillmate._QMTSetUp/1.0"
Q_DECLARE_INTERFACE(IQMTSetUp, IQMTSetUp_iid)

// QMTCRDB.CreateDataBase: creates an empty project file.
class ICreateDataBase {
public:
    virtual ~ICreateDataBase() = default;
    virtual void setDataBaseName(const QString& name) = 0; // DataBaseName (write only)
    // Throws dao::EngineError with the engine's refusal.
    virtual void create_database() = 0;
};
#define ICreateDataBase_iid "com.korvane.quillmate._CreateDataBase/1.0"
Q_DECLARE_INTERFACE(ICreateDataBase, ICreateDataBase_iid)

// QMTAbout.About_Box: the About window.
class IAboutBox {
public:
    virtual ~IAboutBox() = default;
    virtual void setProgName(const QString& v) = 0;
    virtual void setMajor_Version(const QString& v) = 0;
    virtual void setMinor_Version(const QString& v) = 0;
    virtual void setRelease_Version(const QString& v) = 0;
    virtual void ShowAboutBox() = 0;
    virtual void HideAboutBox() = 0;
};
#define IAboutBox_iid "com.korvane.quillmate._About_Box/1.0"
Q_DECLARE_INTERFACE(IAboutBox, IAboutBox_iid)

// QMTSplash.Splash: the start-up splash window.
class ISplash {
public:
    virtual ~ISplash() = default;
    virtual void removesplash() = 0;
    virtual void showsplash() = 0;
    virtual void setVersionMajor(const QString& v) = 0;
    virtual void setVersionMinor(const QString& v) = 0;
    virtual void setVersionRelase(const QString& v) = 0;
};
#define ISplash_iid "com.korvane.quillmate._Splash/1.0"
Q_DECLARE_INTERFACE(ISplash, ISplash_iid)
