// The QMTAbout component library: creates About_Box objects by class name.
#include "about_box.h"
#include "components/components.h"

class QMTAboutFactory : public QObject, public ComponentFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ComponentFactory_iid FILE "qmtabout.json")
    Q_INTERFACES(ComponentFactory)

public:
    QObject* createObject(const QString& className) override {
        return className == QLatin1String("About_Box") ? new About_Box : nullptr;
    }
};

#include "plugin.moc"
