// The root object of the QMTCRDB library: creates its one class by name.
#include "components/components.h"
#include "createdatabase.h"

class QmtcrdbFactory : public QObject, public ComponentFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ComponentFactory_iid FILE "qmtcrdb.json")
    Q_INTERFACES(ComponentFactory)

public:
    QObject* createObject(const QString& className) override {
        if (className == QLatin1StringView("CreateDataBase"))
            return new CreateDataBase;
        return nullptr;
    }
};

#include "qmtcrdbplugin.moc"
