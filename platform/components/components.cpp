#include "components.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QMutex>
#include <QPluginLoader>

namespace components {

namespace {

struct Registry {
    QMutex mutex;
    // library name (upper case) -> loader, kept for the life of the process
    QHash<QString, QPluginLoader*> loaders;
    bool scanned = false;
    QString scannedFolder;
};

Registry& registry() {
    static Registry r;
    return r;
}

void scan(Registry& r) {
    const QString folder = componentsFolder();
    if (r.scanned && r.scannedFolder == folder)
        return;
    r.loaders.clear();
    r.scanned = true;
    r.scannedFolder = folder;
    const QDir dir(folder);
    const auto files = dir.entryInfoList({QStringLiteral("*.so")}, QDir::Files);
    for (const QFileInfo& file : files) {
        auto* loader = new QPluginLoader(file.absoluteFilePath());
        const QJsonObject meta = loader->metaData().value(QStringLiteral("MetaData")).toObject();
        const QString library = meta.value(QStringLiteral("Library")).toString();
        if (library.isEmpty()) {
            delete loader;
            continue;
        }
        r.loaders.insert(library.toUpper(), loader);
    }
}

} // namespace

QString componentsFolder() {
    const QString fromEnv = qEnvironmentVariable("QUILLMATE_COMPONENTS");
    if (!fromEnv.isEmpty())
        return fromEnv;
    const QString base =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    return QDir::cleanPath(base + QStringLiteral("/../lib/quillmate/components"));
}

std::unique_ptr<QObject> createObject(const QString& progId) {
    const qsizetype dot = progId.indexOf(QLatin1Char('.'));
    const QString library = dot > 0 ? progId.left(dot) : progId;
    const QString className = dot > 0 ? progId.mid(dot + 1) : QString();
    const QString expectedFile = QDir(componentsFolder()).filePath(library + QStringLiteral(".so"));

    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    scan(r);
    QPluginLoader* loader = r.loaders.value(library.toUpper());
    if (!loader)
        throw ComponentError(QStringLiteral("Cannot create the class %1: the component library %2 "
                                            "was not found.")
                                 .arg(progId, expectedFile));
    QObject* root = loader->instance();
    auto* factory = qobject_cast<ComponentFactory*>(root);
    if (!factory)
        throw ComponentError(QStringLiteral("Cannot create the class %1: the component library %2 "
                                            "could not be loaded (%3).")
                                 .arg(progId, loader->fileName(), loader->errorString()));
    const QJsonArray classes = loader->metaData()
                                   .value(QStringLiteral("MetaData"))
                                   .toObject()
                                   .value(QStringLiteral("Classes"))
                                   .toArray();
    QString canonical;
    for (const auto& c : classes)
        if (c.toString().compare(className, Qt::CaseInsensitive) == 0)
            canonical = c.toString();
    QObject* object = canonical.isEmpty() ? nullptr : factory->createObject(canonical);
    if (!object)
        throw ComponentError(QStringLiteral("Cannot create the class %1: the component library %2 "
                                            "has no class %3.")
                                 .arg(progId, loader->fileName(), className));
    return std::unique_ptr<QObject>(object);
}

} // namespace components
