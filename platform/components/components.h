// Creation of component objects by class name ("Library.Class").
//
// Each component library is a Qt plug-in in the components folder. Its
// metadata (the plug-in's JSON file) names the library and its classes:
//   { "Library": "KRVRegF", "Classes": ["RegistryFunctions"] }
// The plug-in's root object implements ComponentFactory. A library is loaded
// on first use; the caller releases the object right after use.
#pragma once

#include <QObject>
#include <QString>
#include <QtPlugin>
#include <memory>
#include <stdexcept>

class ComponentFactory {
public:
    virtual ~ComponentFactory() = default;
    // A new object of the named class, or nullptr if the library has no such class.
    virtual QObject* createObject(const QString& className) = 0;
};
#define ComponentFactory_iid "com.korvane.quillmate.ComponentFactory/1.0"
Q_DECLARE_INTERFACE(ComponentFactory, ComponentFactory_iid)

namespace components {

class ComponentError : public std::runtime_error {
public:
    explicit ComponentError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

// The folder searched for component libraries: $QUILLMATE_COMPONENTS, or
// ../lib/quillmate/components relative to the running program.
QString componentsFolder();

// Creates an object of the class named "Library.Class". Throws ComponentError
// naming the class and the library file looked for when it cannot.
std::unique_ptr<QObject> createObject(const QString& progId);

// An object created by class name, seen through one of its interfaces.
template <class Interface> class Component {
public:
    explicit Component(const QString& progId) : m_object(createObject(progId)) {
        m_interface = qobject_cast<Interface*>(m_object.get());
        if (!m_interface)
            throw ComponentError(
                QStringLiteral("The class %1 does not offer the interface %2.")
                    .arg(progId, QString::fromLatin1(qobject_interface_iid<Interface*>())));
    }
    Interface* operator->() const { return m_interface; }
    Interface& operator*() const { return *m_interface; }
    QObject* object() const { return m_object.get(); }

private:
    std::unique_ptr<QObject> m_object;
    Interface* m_interface = nullptr;
};

} // namespace components
