// The QMTSplash component library: creates Splash objects by class name.
#include "components/components.h"
#include "splash.h"

class QMTSplashFactory : public QObject, public ComponentFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ComponentFactory_iid FILE "qmtsplash.json")
    Q_INTERFACES(ComponentFactory)

public:
    QObject* createObject(const QString& className) override {
        return className == QLatin1String("Splash") ? new Splash : nullptr;
    }
};

#include "plugin.moc"
