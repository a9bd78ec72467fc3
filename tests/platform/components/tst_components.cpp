// Component objects created by "Library.Class" from the components folder.
#include "common/testenv.h"
#include "components/components.h"
#include "components/interfaces.h"

#include <QtTest>

namespace {

// The message of the ComponentError thrown by creating progId through Interface.
template <class Interface> QString creationError(const QString& progId) {
    try {
        components::Component<Interface> object(progId);
    } catch (const components::ComponentError& e) {
        return e.message();
    }
    return {};
}

} // namespace

class ComponentsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_folder = components::componentsFolder(); }

    void createsEachLibrarysClass() {
        components::Component<IRegistryFunctions> registry(
            QStringLiteral("KRVRegF.RegistryFunctions"));
        QCOMPARE(registry.object()->metaObject()->className(), "RegistryFunctions");
        components::Component<IQMTSetUp> setup(QStringLiteral("QMTSetUp.QMTSetUp"));
        QCOMPARE(setup.object()->metaObject()->className(), "QMTSetUp");
        // class names are matched in any letter case
        components::Component<IQMTSetUp> again(QStringLiteral("qmtsetup.QMTSETUP"));
        QVERIFY(again.object() != setup.object());
    }

    void unknownClassNamesTheClassAndTheFile() {
        const QString message =
            creationError<IRegistryFunctions>(QStringLiteral("KRVRegF.NoSuchClass"));
        QVERIFY2(message.contains(QStringLiteral("KRVRegF.NoSuchClass")), qPrintable(message));
        QVERIFY2(message.contains(QDir(m_folder).filePath(QStringLiteral("KRVRegF.so"))),
                 qPrintable(message));
    }

    void unknownLibraryNamesTheFileLookedFor() {
        const QString message =
            creationError<IRegistryFunctions>(QStringLiteral("NoLibrary.Thing"));
        QVERIFY2(message.contains(QStringLiteral("NoLibrary.Thing")), qPrintable(message));
        QVERIFY2(message.contains(QDir(m_folder).filePath(QStringLiteral("NoLibrary.so"))),
                 qPrintable(message));
        QVERIFY(!creationError<IQMTSetUp>(QStringLiteral("NoDotAtAll")).isEmpty());
    }

    void wrongInterfaceIsRefused() {
        const QString message =
            creationError<IQMTSetUp>(QStringLiteral("KRVRegF.RegistryFunctions"));
        QVERIFY2(message.contains(QStringLiteral("KRVRegF.RegistryFunctions")),
                 qPrintable(message));
        QVERIFY2(message.contains(QString::fromLatin1(IQMTSetUp_iid)), qPrintable(message));
    }

    void emptyComponentsFolderFindsNothing() {
        QTemporaryDir empty;
        qputenv("QUILLMATE_COMPONENTS", QFile::encodeName(empty.path()));
        const QString message =
            creationError<IRegistryFunctions>(QStringLiteral("KRVRegF.RegistryFunctions"));
        qputenv("QUILLMATE_COMPONENTS", QFile::encodeName(m_folder));
        QVERIFY2(message.contains(QDir(empty.path()).filePath(QStringLiteral("KRVRegF.so"))),
                 qPrintable(message));
        // and the real folder serves again afterwards
        components::Component<IRegistryFunctions> registry(
            QStringLiteral("KRVRegF.RegistryFunctions"));
        QVERIFY(registry.object());
    }

    void runtimeErrorsCrossTheLibraryBoundary() {
        testenv::RegistryFolder folder;
        components::Component<IRegistryFunctions> registry(
            QStringLiteral("KRVRegF.RegistryFunctions"));
        std::int32_t root = 0x80000001, access = 0x2003F, handle = 0;
        QString path = QStringLiteral("N"), name = QStringLiteral("v"),
                create = QStringLiteral("Y"), value = QStringLiteral("not a number");
        registry->KRVOpenRegKey(root, path, name, access, create, handle);
        registry->KRVSetRegEntry(handle, name, value);
        registry->KRVCloseRegKey(handle);
        // caught by its own type in the caller, with its number
        QVERIFY_THROWS_EXCEPTION(
            ComponentRuntimeError,
            registry->KRVQuickGetRegEntry(root, path, name, access, create, handle, value));
    }

private:
    QString m_folder;
};

QTEST_GUILESS_MAIN(ComponentsTest)
#include "tst_components.moc"
