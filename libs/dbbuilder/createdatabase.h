// QMTCRDB.CreateDataBase: creates a new, empty project file.
#pragma once

#include "components/interfaces.h"

#include <QObject>
#include <QString>

class CreateDataBase : public QObject, public ICreateDataBase {
    Q_OBJECT
    Q_INTERFACES(ICreateDataBase)

public:
    void setDataBaseName(const QString& name) override { m_name = name; }
    // The file appears complete or not at all: it is built under a work name
    // in the same folder and moved into place only when every table is there.
    void create_database() override;

private:
    QString m_name;
};
