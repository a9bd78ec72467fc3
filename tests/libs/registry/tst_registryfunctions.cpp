// The KRVRegF component, created by class name as its callers create it.
#include "common/testenv.h"
#include "components/components.h"
#include "components/interfaces.h"
#include "shell/dialogs.h"
#include "winreg/winreg.h"

#include <QtTest>

using namespace winreg;

namespace {

constexpr std::int32_t kUser = 0x80000001;
constexpr std::int32_t kAccess = 0x2003F;

// The component with value arguments, for readable tests.
class Registry {
public:
    std::int32_t open(const QString& path, const QString& flag, std::int32_t* handle,
                      const QString& keyClass = QStringLiteral("Class"),
                      std::int32_t root = kUser) {
        QString p = path, c = keyClass, f = flag;
        std::int32_t access = kAccess;
        return m->KRVOpenRegKey(root, p, c, access, f, *handle);
    }
    std::int32_t set(std::int32_t handle, const QString& name, const QString& value) {
        QString n = name, v = value;
        return m->KRVSetRegEntry(handle, n, v);
    }
    std::int32_t get(std::int32_t handle, const QString& name, QString& value,
                     const QString& flag) {
        QString n = name, f = flag;
        return m->KRVGetRegEntry(handle, n, value, f);
    }
    std::int32_t query(std::int32_t handle, const QString& subkey, QString& value,
                       const QString& flag) {
        QString n = subkey, f = flag;
        return m->KRVQueryRegValue(handle, n, value, f);
    }
    std::int32_t quick(const QString& path, const QString& name, const QString& flag,
                       const QString& fallback, std::int32_t* handle) {
        std::int32_t root = kUser, access = kAccess;
        QString p = path, n = name, f = flag, d = fallback;
        return m->KRVQuickGetRegEntry(root, p, n, access, f, *handle, d);
    }
    std::int32_t close(std::int32_t handle) { return m->KRVCloseRegKey(handle); }
    IRegistryFunctions* operator->() { return &*m; }

private:
    components::Component<IRegistryFunctions> m{QStringLiteral("KRVRegF.RegistryFunctions")};
};

bool keyExists(const char* path) {
    HKEY key = 0;
    const bool found = RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, kAccess, &key) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

// The stored bytes of a value of HKCU\path.
QByteArray stored(const char* path, const char* name) {
    HKEY key = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, kAccess, &key) != ERROR_SUCCESS)
        return {};
    QByteArray data(4096, '\0');
    DWORD size = static_cast<DWORD>(data.size());
    const LONG status =
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? data.left(size) : QByteArray();
}

} // namespace

class RegistryFunctionsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_registry = std::make_unique<testenv::RegistryFolder>(); }
    void cleanup() {
        shell::setMessageHandler({});
        m_registry.reset();
    }

    void openCreatesOnlyWithUpperCaseY() {
        Registry reg;
        std::int32_t handle = -1;
        for (const QString& flag : {QStringLiteral("N"), QStringLiteral("y"), QString(),
                                    QStringLiteral("Yes"), QStringLiteral(" Y")}) {
            QCOMPARE(reg.open(QStringLiteral("software\\KRV\\Quillmate"), flag, &handle),
                     ERROR_FILE_NOT_FOUND);
            QVERIFY(!keyExists("software"));
        }
        QCOMPARE(reg.open(QStringLiteral("software\\KRV\\Quillmate"), QStringLiteral("Y"), &handle,
                          QStringLiteral("Quillmate")),
                 ERROR_SUCCESS);
        QVERIFY(handle > 0);
        QCOMPARE(reg.close(handle), ERROR_SUCCESS);
        QVERIFY(keyExists("Software\\KRV\\Quillmate"));

        // an existing key is opened, its class left as it was
        QCOMPARE(reg.open(QStringLiteral("SOFTWARE\\krv\\quillmate"), QStringLiteral("Y"), &handle,
                          QStringLiteral("Other")),
                 ERROR_SUCCESS);
        reg.close(handle);
        HKEY krv = 0;
        RegOpenKeyExA(HKEY_CURRENT_USER, "software\\KRV", 0, kAccess, &krv);
        char name[32], keyClass[32];
        DWORD nameLength = sizeof name, classLength = sizeof keyClass;
        QCOMPARE(RegEnumKeyExA(krv, 0, name, &nameLength, nullptr, keyClass, &classLength, nullptr),
                 ERROR_SUCCESS);
        QCOMPARE(QByteArray(keyClass, classLength), QByteArray("Quillmate"));
        RegCloseKey(krv);
    }

    void closingTwiceOrAnUnknownHandle() {
        Registry reg;
        std::int32_t handle = 0;
        QCOMPARE(reg.open(QStringLiteral("k"), QStringLiteral("Y"), &handle), ERROR_SUCCESS);
        QCOMPARE(reg.close(handle), ERROR_SUCCESS);
        QCOMPARE(reg.close(handle), ERROR_INVALID_HANDLE);
        QCOMPARE(reg.close(0), ERROR_INVALID_HANDLE);
    }

    void textsRoundTripWithoutTheirNul() {
        Registry reg;
        std::int32_t handle = 0;
        QCOMPARE(reg.open(QStringLiteral("software\\KRV\\Quillmate"), QStringLiteral("Y"), &handle),
                 ERROR_SUCCESS);
        const QString path = QStringLiteral("C:\\Hilfe\\\u00dcbersicht \u20ac\\proj.QMT");
        QCOMPARE(reg.set(handle, QStringLiteral("MRU1"), path), ERROR_SUCCESS);
        QString read;
        QCOMPARE(reg.get(handle, QStringLiteral("mru1"), read, QStringLiteral("N")), ERROR_SUCCESS);
        QCOMPARE(read, path);
        // stored as Windows-1252 text plus one NUL
        QCOMPARE(stored("software\\KRV\\Quillmate", "MRU1"), QByteArray("C:\\Hilfe\\\xdc"
                                                                        "bersicht \x80\\proj.QMT",
                                                                        30));
        reg.close(handle);
    }

    void missingOrEmptyValueTakesTheDefault() {
        Registry reg;
        std::int32_t handle = 0;
        reg.open(QStringLiteral("k"), QStringLiteral("Y"), &handle);
        QString value = QStringLiteral("fallback");
        QCOMPARE(reg.get(handle, QStringLiteral("absent"), value, QStringLiteral("N")),
                 ERROR_SUCCESS);
        QCOMPARE(value, QStringLiteral("fallback"));
        QCOMPARE(stored("k", "absent"), QByteArray()); // nothing written

        QCOMPARE(reg.get(handle, QStringLiteral("absent"), value, QStringLiteral("Y")),
                 ERROR_SUCCESS);
        QCOMPARE(value, QStringLiteral("fallback"));
        QCOMPARE(stored("k", "absent"), QByteArray("fallback", 9));

        // the empty text is no value at all
        QCOMPARE(reg.set(handle, QStringLiteral("blank"), QString()), ERROR_SUCCESS);
        value = QStringLiteral("kept");
        QCOMPARE(reg.get(handle, QStringLiteral("blank"), value, QStringLiteral("N")),
                 ERROR_SUCCESS);
        QCOMPARE(value, QStringLiteral("kept"));
        QCOMPARE(reg.get(handle, QStringLiteral("blank"), value, QStringLiteral("Y")),
                 ERROR_SUCCESS);
        QCOMPARE(stored("k", "blank"), QByteArray("kept", 5));

        // an empty default lets the caller see that the value was absent
        value.clear();
        QCOMPARE(reg.get(handle, QStringLiteral("other"), value, QStringLiteral("N")),
                 ERROR_SUCCESS);
        QVERIFY(value.isEmpty());

        // "Y" on a closed handle reports the failed write
        reg.close(handle);
        QCOMPARE(reg.get(handle, QStringLiteral("x"), value, QStringLiteral("Y")),
                 ERROR_INVALID_HANDLE);
        QCOMPARE(reg.get(handle, QStringLiteral("x"), value, QStringLiteral("N")), ERROR_SUCCESS);
    }

    void longestReadableValue() {
        Registry reg;
        std::int32_t handle = 0;
        reg.open(QStringLiteral("k"), QStringLiteral("Y"), &handle);
        const QString fits(255, QLatin1Char('f'));
        const QString tooLong(256, QLatin1Char('t'));
        reg.set(handle, QStringLiteral("fits"), fits);
        reg.set(handle, QStringLiteral("long"), tooLong);
        QString value = QStringLiteral("default");
        QCOMPARE(reg.get(handle, QStringLiteral("fits"), value, QStringLiteral("N")),
                 ERROR_SUCCESS);
        QCOMPARE(value, fits);

        value = QStringLiteral("default");
        QCOMPARE(reg.get(handle, QStringLiteral("long"), value, QStringLiteral("N")),
                 ERROR_SUCCESS);
        QCOMPARE(value, QStringLiteral("default"));
        QCOMPARE(stored("k", "long").size(), 257); // left alone without "Y"
        QCOMPARE(reg.get(handle, QStringLiteral("long"), value, QStringLiteral("Y")),
                 ERROR_SUCCESS);
        QCOMPARE(stored("k", "long"), QByteArray("default", 8)); // overwritten by the default
        reg.close(handle);
    }

    void defaultValueOfASubkey() {
        Registry reg;
        std::int32_t paths = 0;
        reg.open(QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths"),
                 QStringLiteral("Y"), &paths, QStringLiteral("App Paths"));
        QString value;
        QCOMPARE(reg.query(paths, QStringLiteral("hcw.exe"), value, QStringLiteral("N")),
                 ERROR_SUCCESS);
        QVERIFY(value.isEmpty());
        QVERIFY(!keyExists("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\hcw.exe"));

        value = QStringLiteral("/opt/hcw/hcw");
        QCOMPARE(reg.query(paths, QStringLiteral("hcw.exe"), value, QStringLiteral("Y")),
                 ERROR_SUCCESS);
        QCOMPARE(stored("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\HCW.EXE", ""),
                 QByteArray("/opt/hcw/hcw", 13));

        QString read;
        QCOMPARE(reg.query(paths, QStringLiteral("HCW.exe"), read, QStringLiteral("N")),
                 ERROR_SUCCESS);
        QCOMPARE(read, QStringLiteral("/opt/hcw/hcw"));

        // a key without a default value is treated as missing
        std::int32_t sub = 0;
        reg.open(
            QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\empty.exe"),
            QStringLiteral("Y"), &sub);
        reg.close(sub);
        read = QStringLiteral("kept");
        QCOMPARE(reg.query(paths, QStringLiteral("empty.exe"), read, QStringLiteral("N")),
                 ERROR_SUCCESS);
        QCOMPARE(read, QStringLiteral("kept"));
        reg.close(paths);
    }

    void quickGetReadsANumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::newRow("decimal") << QStringLiteral("42") << 42;
        QTest::newRow("negative with blanks") << QStringLiteral(" -7 ") << -7;
        QTest::newRow("half rounds to even") << QStringLiteral("2.5") << 2;
        QTest::newRow("half rounds up to even") << QStringLiteral("3.5") << 4;
        QTest::newRow("exponent") << QStringLiteral("1e3") << 1000;
        QTest::newRow("hex") << QStringLiteral("&H1F") << 31;
        QTest::newRow("hex all bits") << QStringLiteral("&HFFFFFFFF") << -1;
        QTest::newRow("largest") << QStringLiteral("2147483647") << 2147483647;
    }
    void quickGetReadsANumber() {
        QFETCH(QString, text);
        QFETCH(int, number);
        Registry reg;
        std::int32_t handle = 0;
        reg.open(QStringLiteral("Numbers"), QStringLiteral("Y"), &handle);
        reg.set(handle, QStringLiteral("count"), text);
        reg.close(handle);
        QCOMPARE(reg.quick(QStringLiteral("numbers"), QStringLiteral("Count"), QStringLiteral("N"),
                           QStringLiteral("9"), &handle),
                 number);
        QCOMPARE(RegCloseKey(static_cast<HKEY>(handle)),
                 ERROR_INVALID_HANDLE); // closed by the call
    }

    void quickGetOnAMissingValue() {
        Registry reg;
        std::int32_t handle = 0;
        QCOMPARE(reg.quick(QStringLiteral("Numbers"), QStringLiteral("count"), QStringLiteral("N"),
                           QStringLiteral("12"), &handle),
                 0);
        QVERIFY(!keyExists("Numbers"));
        // "Y" stores the default text and answers the write's status, not the number
        QCOMPARE(reg.quick(QStringLiteral("Numbers"), QStringLiteral("count"), QStringLiteral("Y"),
                           QStringLiteral("12"), &handle),
                 0);
        QCOMPARE(stored("Numbers", "count"), QByteArray("12", 3));
        QCOMPARE(reg.quick(QStringLiteral("Numbers"), QStringLiteral("count"), QStringLiteral("N"),
                           QStringLiteral("0"), &handle),
                 12);
    }

    void quickGetRaisesOnText() {
        Registry reg;
        std::int32_t handle = 0;
        reg.open(QStringLiteral("Numbers"), QStringLiteral("Y"), &handle);
        reg.set(handle, QStringLiteral("letters"), QStringLiteral("twelve"));
        reg.set(handle, QStringLiteral("huge"), QStringLiteral("99999999999"));
        reg.close(handle);
        try {
            reg.quick(QStringLiteral("Numbers"), QStringLiteral("letters"), QStringLiteral("N"),
                      QString(), &handle);
            QFAIL("a text that is not a number was converted");
        } catch (const ComponentRuntimeError& e) {
            QCOMPARE(e.number(), 13);
            QCOMPARE(e.description(), QStringLiteral("Type mismatch"));
        }
        QCOMPARE(RegCloseKey(static_cast<HKEY>(handle)), ERROR_INVALID_HANDLE); // not left open
        try {
            reg.quick(QStringLiteral("Numbers"), QStringLiteral("huge"), QStringLiteral("N"),
                      QString(), &handle);
            QFAIL("a number out of range was converted");
        } catch (const ComponentRuntimeError& e) {
            QCOMPARE(e.number(), 6);
        }
    }

    void enumeratingKeys() {
        Registry reg;
        std::int32_t handle = 0;
        reg.open(QStringLiteral("Parent"), QStringLiteral("Y"), &handle);
        for (const QString& name : {QStringLiteral("second"), QStringLiteral("First")}) {
            std::int32_t child = 0;
            QString path = name;
            reg.open(QStringLiteral("Parent\\") + path, QStringLiteral("Y"), &child);
            reg.close(child);
        }
        QString name;
        std::int32_t index = 0;
        QCOMPARE(reg->KRVEmunRegKeys(handle, index, name), ERROR_SUCCESS);
        QCOMPARE(name, QStringLiteral("First"));
        index = 1;
        QCOMPARE(reg->KRVEmunRegKeys(handle, index, name), ERROR_SUCCESS);
        QCOMPARE(name, QStringLiteral("second"));
        index = 2; // the number of subkeys
        QCOMPARE(reg->KRVEmunRegKeys(handle, index, name), ERROR_NO_MORE_ITEMS);
        QCOMPARE(name, QStringLiteral("second")); // left as it was
        reg.close(handle);
    }

    void enumeratingValuesKeepsOneNul() {
        Registry reg;
        std::int32_t handle = 0;
        reg.open(QStringLiteral("Vals"), QStringLiteral("Y"), &handle);
        reg.set(handle, QStringLiteral("Name"), QStringLiteral("d\u00e9j\u00e0"));
        QString name, data;
        std::int32_t index = 0;
        QCOMPARE(reg->KRVEmunRegValues(handle, index, name, &data), ERROR_SUCCESS);
        QCOMPARE(name, QStringLiteral("Name"));
        QCOMPARE(data, QStringLiteral("d\u00e9j\u00e0") + QChar(0));
        name.clear();
        QCOMPARE(reg->KRVEmunRegValues(handle, index, name, nullptr),
                 ERROR_SUCCESS); // data omitted
        QCOMPARE(name, QStringLiteral("Name"));
        index = 1;
        QCOMPARE(reg->KRVEmunRegValues(handle, index, name, &data), ERROR_NO_MORE_ITEMS);
        // a value longer than the 2000-byte buffer cannot be enumerated
        reg.set(handle, QStringLiteral("big"), QString(2000, QLatin1Char('b')));
        QCOMPARE(reg->KRVEmunRegValues(handle, index, name, &data), ERROR_MORE_DATA);
        reg.close(handle);
    }

    void enumeratingKeyValuesShowsEachKey() {
        QStringList shown;
        shell::setMessageHandler([&](const shell::MessageRequest& r) {
            shown << r.text;
            return int(shell::vbOK);
        });
        Registry reg;
        std::int32_t handle = 0, child = 0;
        reg.open(QStringLiteral("KV"), QStringLiteral("Y"), &handle);
        reg.open(QStringLiteral("KV\\LongName"), QStringLiteral("Y"), &child);
        reg.close(child);
        reg.open(QStringLiteral("KV\\Tiny"), QStringLiteral("Y"), &child);
        reg.close(child);
        reg.set(handle, QStringLiteral("longname"),
                QStringLiteral("abc")); // 4 bytes fit the 8-byte buffer
        reg.set(handle, QStringLiteral("Tiny"), QStringLiteral("too long")); // 9 bytes do not fit 4

        QString name, value = QStringLiteral("unchanged");
        std::int32_t index = 0;
        QCOMPARE(reg->KRVEmunRegKeyValues(handle, index, name, value), ERROR_SUCCESS);
        QCOMPARE(name, QStringLiteral("LongName"));
        QCOMPARE(value, QStringLiteral("abc"));
        index = 1;
        value = QStringLiteral("unchanged");
        QCOMPARE(reg->KRVEmunRegKeyValues(handle, index, name, value), ERROR_MORE_DATA);
        QCOMPARE(name, QStringLiteral("Tiny"));
        QCOMPARE(value, QStringLiteral("unchanged"));
        index = 2;
        QCOMPARE(reg->KRVEmunRegKeyValues(handle, index, name, value), ERROR_NO_MORE_ITEMS);
        QCOMPARE(shown, (QStringList{QStringLiteral("found key name = LongName"),
                                     QStringLiteral("found key name = Tiny")}));
        reg.close(handle);
    }

    void deletingKeysAndValues() {
        Registry reg;
        std::int32_t handle = 0, child = 0;
        reg.open(QStringLiteral("D\\E\\F"), QStringLiteral("Y"), &child);
        reg.close(child);
        reg.open(QStringLiteral("D"), QStringLiteral("N"), &handle);
        QString path = QStringLiteral("e");
        QCOMPARE(reg->KRVDeleteRegKey(handle, path), ERROR_ACCESS_DENIED); // has a subkey
        path = QStringLiteral("E\\f");
        QCOMPARE(reg->KRVDeleteRegKey(handle, path), ERROR_SUCCESS);
        QCOMPARE(reg->KRVDeleteRegKey(handle, path), ERROR_FILE_NOT_FOUND);

        reg.set(handle, QStringLiteral("5"), QStringLiteral("five"));
        QVariant name(5); // the name arrives as any value and is used as text
        QCOMPARE(reg->KRVDeleteRegValue(handle, name), ERROR_SUCCESS);
        QCOMPARE(reg->KRVDeleteRegValue(handle, name), ERROR_FILE_NOT_FOUND);
        reg.close(handle);
    }

    void eachCreationIsAFreshObject() {
        components::Component<IRegistryFunctions> first(
            QStringLiteral("KRVRegF.RegistryFunctions"));
        components::Component<IRegistryFunctions> second(
            QStringLiteral("krvregf.registryfunctions"));
        QVERIFY(first.object() != second.object());
    }

private:
    std::unique_ptr<testenv::RegistryFolder> m_registry;
};

int runRegistryFunctionsTests(int argc, char** argv) {
    RegistryFunctionsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_registryfunctions.moc"
