// QMTSetUp: writes the tool-tip control list into the current user's registry.
#pragma once

#include "components/components.h"
#include "components/interfaces.h"

#include <QObject>

class QMTSetUp : public QObject, public IQMTSetUp {
    Q_OBJECT
    Q_INTERFACES(IQMTSetUp)

public:
    using QObject::QObject;
    void SetUp() override;
};

class QMTSetUpLibrary : public QObject, public ComponentFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ComponentFactory_iid FILE "qmtsetup.json")
    Q_INTERFACES(ComponentFactory)

public:
    QObject* createObject(const QString& className) override;
};
