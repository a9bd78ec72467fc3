// First-run setup: the tool-tip control list written through the registry component.
#include "common/testenv.h"
#include "components/components.h"
#include "components/interfaces.h"
#include "winreg/winreg.h"

#include <QtTest>

using namespace winreg;

namespace {

const char* const kSetupKey = "software\\KRV\\Quillmate\\ToolTipControls";

struct Value {
    QByteArray name;
    DWORD type = REG_NONE;
    QByteArray data;
};

// Every value of HKCU\<path>, in enumeration order; fails the test if the key is missing.
QList<Value> valuesOf(const char* path, QByteArray* keyClass = nullptr) {
    HKEY key = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, 0x2003F, &key) != ERROR_SUCCESS)
        return {};
    QList<Value> values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLength = sizeof name;
        BYTE data[256];
        DWORD size = sizeof data;
        DWORD type = REG_NONE;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        values.append(
            {QByteArray(name, nameLength), type, QByteArray(reinterpret_cast<char*>(data), size)});
    }
    RegCloseKey(key);
    if (keyClass) {
        // the class text is kept by the parent's enumeration
        HKEY parent = 0;
        RegOpenKeyExA(HKEY_CURRENT_USER, "software\\KRV\\Quillmate", 0, 0x2003F, &parent);
        char name[256], cls[256];
        DWORD nameLength = sizeof name, classLength = sizeof cls;
        if (RegEnumKeyExA(parent, 0, name, &nameLength, nullptr, cls, &classLength, nullptr) ==
            ERROR_SUCCESS)
            *keyClass = QByteArray(cls, classLength);
        RegCloseKey(parent);
    }
    return values;
}

void runSetUp() {
    components::Component<IQMTSetUp> setup(QStringLiteral("QMTSetUp.QMTSetUp"));
    setup->SetUp();
}

} // namespace

class SetupTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_registry = std::make_unique<testenv::RegistryFolder>(); }
    void cleanup() { m_registry.reset(); }

    void writesTheThirtyNineControlTypes() {
        runSetUp();
        QByteArray keyClass;
        const QList<Value> values = valuesOf(kSetupKey, &keyClass);
        QCOMPARE(values.size(), 39);
        QCOMPARE(keyClass, QByteArray("ToolTipControls"));
        QSet<QByteArray> names;
        for (const Value& v : values) {
            QCOMPARE(v.type, REG_SZ);
            QCOMPARE(v.data, v.name + '\0'); // data equals the name, with one NUL
            names.insert(v.name.toUpper());
        }
        QCOMPARE(names.size(), 39);
        // written in string-number order, 100 to 138
        QCOMPARE(values.first().name, QByteArray("Animation"));
        QCOMPARE(values.at(17).name, QByteArray("Masked Edit"));
        QCOMPARE(values.at(20).name, QByteArray("Multimedia MCI"));
        QCOMPARE(values.at(26).name, QByteArray("Rich TextBox"));
        QCOMPARE(values.at(28).name, QByteArray("SSTab"));
        QCOMPARE(values.last().name, QByteArray("OLE Container"));
    }

    void runningTwiceChangesNothing() {
        runSetUp();
        const QList<Value> first = valuesOf(kSetupKey);
        runSetUp();
        const QList<Value> second = valuesOf(kSetupKey);
        QCOMPARE(second.size(), 39);
        for (qsizetype i = 0; i < first.size(); ++i) {
            QCOMPARE(second[i].name, first[i].name);
            QCOMPARE(second[i].data, first[i].data);
        }
    }

    void rewritesChangedValuesAndKeepsOthers() {
        runSetUp();
        HKEY key = 0;
        QCOMPARE(RegOpenKeyExA(HKEY_CURRENT_USER, kSetupKey, 0, 0x2003F, &key), ERROR_SUCCESS);
        const char changed[] = "changed";
        QCOMPARE(RegSetValueExA(key, "LABEL", 0, REG_SZ, reinterpret_cast<const BYTE*>(changed),
                                sizeof changed),
                 ERROR_SUCCESS);
        QCOMPARE(RegSetValueExA(key, "MyGrid", 0, REG_SZ, reinterpret_cast<const BYTE*>(changed),
                                sizeof changed),
                 ERROR_SUCCESS);
        RegCloseKey(key);
        runSetUp();
        const QList<Value> values = valuesOf(kSetupKey);
        QCOMPARE(values.size(), 40);
        const auto label = std::find_if(values.begin(), values.end(),
                                        [](const Value& v) { return v.name == "Label"; });
        QVERIFY(label != values.end());
        QCOMPARE(label->data, QByteArray("Label", 6));
        QCOMPARE(values.last().name, QByteArray("MyGrid"));
    }

    void mainProgramPathFindsTheSetupKey() {
        HKEY key = 0;
        QCOMPARE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\KRV\\Quillmate\\ToolTipControls", 0,
                               0x2003F, &key),
                 ERROR_FILE_NOT_FOUND);
        runSetUp();
        QCOMPARE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\KRV\\Quillmate\\ToolTipControls", 0,
                               0x2003F, &key),
                 ERROR_SUCCESS);
        RegCloseKey(key);
        // one key, not two differing in letter case
        char name[256];
        DWORD length = sizeof name;
        QCOMPARE(
            RegEnumKeyExA(HKEY_CURRENT_USER, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
        QCOMPARE(QByteArray(name), QByteArray("software"));
        length = sizeof name;
        QCOMPARE(
            RegEnumKeyExA(HKEY_CURRENT_USER, 1, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
    }

    void damagedHiveFailsQuietlyAndStaysAsItWas() {
        const QString hive = hivePath(HKEY_CURRENT_USER);
        const QByteArray garbage = QByteArray("not a hive at all ").repeated(300);
        QVERIFY(testenv::writeAll(hive, garbage));
        runSetUp(); // statuses are not looked at, so nothing is raised
        QCOMPARE(testenv::readAll(hive), garbage);
    }

private:
    std::unique_ptr<testenv::RegistryFolder> m_registry;
};

QTEST_GUILESS_MAIN(SetupTest)
#include "tst_setup.moc"
