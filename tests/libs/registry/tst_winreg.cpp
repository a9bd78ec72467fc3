// The registry functions over hive files: handles, letter case, values,
// enumeration, deletion, several processes, a killed writer, damaged files.
#include "common/testenv.h"
#include "winreg/winreg.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <sqlcipher/sqlite3.h>

using namespace winreg;

namespace {

QByteArray sz(const char* text) {
    return QByteArray(text, static_cast<qsizetype>(std::strlen(text)) + 1);
}

LONG set(HKEY key, const char* name, const QByteArray& data, DWORD type = REG_SZ) {
    return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.constData()),
                          static_cast<DWORD>(data.size()));
}

// The value's bytes, or a null array when it cannot be read.
QByteArray get(HKEY key, const char* name) {
    QByteArray data(4096, '\0');
    DWORD size = static_cast<DWORD>(data.size());
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()),
                         &size) != 0)
        return {};
    return data.left(size);
}

HKEY create(HKEY parent, const char* path, const char* keyClass = "") {
    HKEY key = 0;
    RegCreateKeyExA(parent, path, 0, keyClass, REG_OPTION_NON_VOLATILE, 0x2003F, nullptr, &key,
                    nullptr);
    return key;
}

QByteArrayList subkeys(HKEY key) {
    QByteArrayList names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != 0)
            return names;
        names << QByteArray(name, length);
    }
}

QByteArrayList valueNames(HKEY key) {
    QByteArrayList names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != 0)
            return names;
        names << QByteArray(name, length);
    }
}

QString writerProgram() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tst_registry_writer");
}

QString integrityOf(const QString& hive) {
    sqlite3* db = nullptr;
    QString result;
    if (sqlite3_open_v2(QFile::encodeName(hive).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return result;
}

} // namespace

class WinregTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_registry = std::make_unique<testenv::RegistryFolder>(); }
    void cleanup() { m_registry.reset(); }

    void hivesLiveInTheNamedFolder() {
        QCOMPARE(hiveFolder(), m_registry->path());
        HKEY user = create(HKEY_CURRENT_USER, "OnlyInUser");
        QVERIFY(user);
        RegCloseKey(user);
        QVERIFY(QFile::exists(m_registry->path() + QStringLiteral("/HKCU.hive")));
        HKEY key = 0;
        QCOMPARE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "OnlyInUser", 0, 0x2003F, &key),
                 ERROR_FILE_NOT_FOUND);
        QCOMPARE(key, HKEY(0));
        QVERIFY(QFile::exists(m_registry->path() + QStringLiteral("/HKLM.hive")));
    }

    void handlesAreValidUntilClosed() {
        HKEY key = create(HKEY_CURRENT_USER, "Software\\Handles");
        QVERIFY(key);
        HKEY second = 0;
        QCOMPARE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Handles", 0, 0x2003F, &second),
                 ERROR_SUCCESS);
        QVERIFY(second != key);
        QCOMPARE(set(key, "v", sz("1")), ERROR_SUCCESS);
        QCOMPARE(RegCloseKey(key), ERROR_SUCCESS);
        QCOMPARE(RegCloseKey(key), ERROR_INVALID_HANDLE);
        QCOMPARE(set(key, "v", sz("2")), ERROR_INVALID_HANDLE);
        QCOMPARE(get(second, "v"), sz("1")); // the other handle still works
        QCOMPARE(RegCloseKey(second), ERROR_SUCCESS);

        // the roots need no opening and closing them is harmless
        QCOMPARE(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
        QVERIFY(create(HKEY_CURRENT_USER, "AfterRootClose"));
        HKEY other = 0;
        QCOMPARE(RegOpenKeyExA(0x80000000u, "Software", 0, 0x2003F, &other), ERROR_INVALID_HANDLE);
        QCOMPARE(RegOpenKeyExA(0, "Software", 0, 0x2003F, &other), ERROR_INVALID_HANDLE);
        QCOMPARE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, 0x2003F, nullptr),
                 ERROR_INVALID_PARAMETER);
    }

    void emptyPathOpensTheKeyItself() {
        HKEY key = create(HKEY_CURRENT_USER, "A\\B");
        HKEY same = 0;
        QCOMPARE(RegOpenKeyExA(key, "", 0, 0x2003F, &same), ERROR_SUCCESS);
        QCOMPARE(RegOpenKeyExA(key, nullptr, 0, 0x2003F, &same), ERROR_SUCCESS);
        QCOMPARE(set(same, "x", sz("y")), ERROR_SUCCESS);
        QCOMPARE(get(key, "x"), sz("y"));
        HKEY root = 0;
        QCOMPARE(RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, 0x2003F, &root), ERROR_SUCCESS);
        QCOMPARE(subkeys(root), QByteArrayList{"A"});
    }

    void createMakesEveryMissingKeyAndKeepsTheClass() {
        HKEY key = 0;
        DWORD disposition = 0;
        QCOMPARE(RegCreateKeyExA(HKEY_CURRENT_USER, "one\\two\\three", 0, "Leaf", 0, 0x2003F,
                                 nullptr, &key, &disposition),
                 ERROR_SUCCESS);
        QCOMPARE(disposition, REG_CREATED_NEW_KEY);
        HKEY again = 0;
        QCOMPARE(RegCreateKeyExA(HKEY_CURRENT_USER, "ONE\\TWO\\THREE", 0, "Other", 0, 0x2003F,
                                 nullptr, &again, &disposition),
                 ERROR_SUCCESS);
        QCOMPARE(disposition, REG_OPENED_EXISTING_KEY);

        HKEY two = 0;
        QCOMPARE(RegOpenKeyExA(HKEY_CURRENT_USER, "one\\two", 0, 0x2003F, &two), ERROR_SUCCESS);
        char name[16], keyClass[16];
        DWORD nameLength = sizeof name, classLength = sizeof keyClass;
        FILETIME written;
        QCOMPARE(
            RegEnumKeyExA(two, 0, name, &nameLength, nullptr, keyClass, &classLength, &written),
            ERROR_SUCCESS);
        QCOMPARE(QByteArray(name, nameLength), QByteArray("three"));
        QCOMPARE(QByteArray(keyClass, classLength), QByteArray("Leaf")); // the first class stays
        QVERIFY(written.dwHighDateTime != 0);
    }

    void namesIgnoreLetterCaseAndKeepTheirs() {
        HKEY key = create(HKEY_CURRENT_USER, "Software\\KRV\\Quillmate");
        HKEY same = 0;
        QCOMPARE(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\krv\\QUILLMATE", 0, 0x2003F, &same),
                 ERROR_SUCCESS);
        QCOMPARE(set(key, "MRU1", sz("first")), ERROR_SUCCESS);
        QCOMPARE(get(same, "mru1"), sz("first"));
        QCOMPARE(set(same, "mru1", sz("second")), ERROR_SUCCESS);
        QCOMPARE(valueNames(key), QByteArrayList{"MRU1"}); // one value, first spelling kept
        QCOMPARE(get(key, "MRU1"), sz("second"));

        // Windows-1252 letters fold too: "café" and "CAFÉ" name one key
        HKEY cafe = create(HKEY_CURRENT_USER, "caf\xe9");
        HKEY upper = 0;
        QCOMPARE(RegOpenKeyExA(HKEY_CURRENT_USER, "CAF\xc9", 0, 0x2003F, &upper), ERROR_SUCCESS);
        QCOMPARE(set(cafe, "\xe9t\xe9", sz("summer")), ERROR_SUCCESS);
        QCOMPARE(get(upper, "\xc9T\xc9"), sz("summer"));
        QCOMPARE(subkeys(HKEY_CURRENT_USER), (QByteArrayList{"caf\xe9", "Software"}));
    }

    void valuesAreStoredAsGiven() {
        HKEY key = create(HKEY_CURRENT_USER, "Values");
        const QByteArray binary("a\0b\0\0c", 6); // no terminating NUL added or removed
        QCOMPARE(set(key, "bin", binary, 3), ERROR_SUCCESS);
        DWORD type = 0;
        BYTE buffer[32];
        DWORD size = sizeof buffer;
        QCOMPARE(RegQueryValueExA(key, "bin", nullptr, &type, buffer, &size), ERROR_SUCCESS);
        QCOMPARE(type, DWORD(3));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(buffer), size), binary);

        QCOMPARE(set(key, "text", sz("hello")), ERROR_SUCCESS);
        size = 0;
        QCOMPARE(RegQueryValueExA(key, "text", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
        QCOMPARE(size, DWORD(6)); // the size counts the NUL

        size = 5; // one byte short
        QCOMPARE(RegQueryValueExA(key, "text", nullptr, &type, buffer, &size), ERROR_MORE_DATA);
        QCOMPARE(size, DWORD(6));
        QCOMPARE(type, REG_SZ);
        size = 6;
        QCOMPARE(RegQueryValueExA(key, "text", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
        QCOMPARE(RegQueryValueExA(key, "text", nullptr, nullptr, buffer, nullptr),
                 ERROR_INVALID_PARAMETER);

        QCOMPARE(RegQueryValueExA(key, "missing", nullptr, nullptr, buffer, &size),
                 ERROR_FILE_NOT_FOUND);
        QCOMPARE(set(key, "empty", QByteArray()), ERROR_SUCCESS);
        QCOMPARE(get(key, "empty"), QByteArray(""));
        QVERIFY(!get(key, "empty").isNull());
        QCOMPARE(RegSetValueExA(key, "bad", 0, REG_SZ, nullptr, 4), ERROR_INVALID_PARAMETER);
    }

    void defaultValueHasNoName() {
        HKEY key = create(HKEY_CURRENT_USER, "Defaults");
        QCOMPARE(set(key, "", sz("unnamed")), ERROR_SUCCESS);
        QCOMPARE(get(key, nullptr), sz("unnamed"));
        QCOMPARE(valueNames(key), QByteArrayList{""});

        // RegQueryValueA / RegSetValueA work on the default value of a subkey
        char buffer[64];
        LONG size = sizeof buffer;
        QCOMPARE(RegQueryValueA(HKEY_CURRENT_USER, "defaults", buffer, &size), ERROR_SUCCESS);
        QCOMPARE(QByteArray(buffer, size), sz("unnamed"));
        QCOMPARE(RegSetValueA(key, "made\\by\\set", REG_SZ, "path", 1),
                 ERROR_SUCCESS); // size is not used
        size = sizeof buffer;
        QCOMPARE(RegQueryValueA(key, "MADE\\BY\\SET", buffer, &size), ERROR_SUCCESS);
        QCOMPARE(QByteArray(buffer, size), sz("path"));
        size = 4;
        QCOMPARE(RegQueryValueA(key, "made\\by\\set", buffer, &size), ERROR_MORE_DATA);
        QCOMPARE(size, LONG(5));

        // a key without a default value reads as the empty text; a missing key is missing
        size = sizeof buffer;
        QCOMPARE(RegQueryValueA(key, "made", buffer, &size), ERROR_SUCCESS);
        QCOMPARE(size, LONG(1));
        QCOMPARE(RegQueryValueA(key, "absent", buffer, &size), ERROR_FILE_NOT_FOUND);
        QCOMPARE(RegSetValueA(key, "typed", 3, "x", 2), ERROR_INVALID_PARAMETER);
        HKEY typed = 0;
        QCOMPARE(RegOpenKeyExA(key, "typed", 0, 0x2003F, &typed), ERROR_FILE_NOT_FOUND);
    }

    void enumerationOrderAndEnd() {
        HKEY key = create(HKEY_CURRENT_USER, "Enum");
        for (const char* name : {"beta", "Alpha", "gamma"})
            RegCloseKey(create(key, name));
        QCOMPARE(subkeys(key),
                 (QByteArrayList{"Alpha", "beta", "gamma"})); // sorted without letter case
        char name[8];
        DWORD length = sizeof name;
        QCOMPARE(RegEnumKeyExA(key, 3, name, &length, nullptr, nullptr, nullptr, nullptr),
                 ERROR_NO_MORE_ITEMS);
        length = 5; // "Alpha" needs six with its NUL
        QCOMPARE(RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
                 ERROR_MORE_DATA);

        // values come in the order they were first written; rewriting keeps the place
        for (const char* v : {"z", "a", "m"})
            QCOMPARE(set(key, v, sz(v)), ERROR_SUCCESS);
        QCOMPARE(set(key, "Z", sz("again")), ERROR_SUCCESS);
        QCOMPARE(valueNames(key), (QByteArrayList{"z", "a", "m"}));
        BYTE data[4];
        DWORD size = sizeof data;
        length = sizeof name;
        QCOMPARE(RegEnumValueA(key, 0, name, &length, nullptr, nullptr, data, &size),
                 ERROR_MORE_DATA);
        QCOMPARE(size, DWORD(6));
        QCOMPARE(RegEnumValueA(key, 3, name, &length, nullptr, nullptr, data, &size),
                 ERROR_NO_MORE_ITEMS);
    }

    void pathsAreChecked() {
        HKEY key = 0;
        QCOMPARE(RegCreateKeyExA(HKEY_CURRENT_USER, "a\\\\b", 0, "", 0, 0, nullptr, &key, nullptr),
                 ERROR_INVALID_PARAMETER);
        QCOMPARE(RegCreateKeyExA(HKEY_CURRENT_USER, "\\lead", 0, "", 0, 0, nullptr, &key, nullptr),
                 ERROR_INVALID_PARAMETER);
        const QByteArray tooLong(256, 'k');
        QCOMPARE(RegCreateKeyExA(HKEY_CURRENT_USER, tooLong.constData(), 0, "", 0, 0, nullptr, &key,
                                 nullptr),
                 ERROR_INVALID_PARAMETER);
        QCOMPARE(subkeys(HKEY_CURRENT_USER), QByteArrayList{});
        QCOMPARE(RegCreateKeyExA(HKEY_CURRENT_USER, tooLong.left(255).constData(), 0, "", 0, 0,
                                 nullptr, &key, nullptr),
                 ERROR_SUCCESS);
        QCOMPARE(
            RegCreateKeyExA(HKEY_CURRENT_USER, "trailing\\", 0, "", 0, 0, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        QCOMPARE(RegOpenKeyExA(HKEY_CURRENT_USER, "Trailing", 0, 0, &key), ERROR_SUCCESS);
    }

    void deletingKeysAndValues() {
        HKEY parent = create(HKEY_CURRENT_USER, "Del");
        HKEY child = create(parent, "Child\\Grandchild");
        QCOMPARE(set(child, "v", sz("x")), ERROR_SUCCESS);
        QCOMPARE(RegDeleteKeyA(parent, "Child"), ERROR_ACCESS_DENIED); // it has a subkey
        QCOMPARE(RegDeleteKeyA(parent, "child\\grandchild"), ERROR_SUCCESS);
        QCOMPARE(RegDeleteKeyA(parent, "child\\grandchild"), ERROR_FILE_NOT_FOUND);
        QCOMPARE(RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
        QCOMPARE(RegDeleteKeyA(parent, nullptr), ERROR_INVALID_PARAMETER);

        // the handle of a deleted key stays dead, even when the name is used again
        QCOMPARE(set(child, "v", sz("y")), ERROR_KEY_DELETED);
        HKEY reborn = create(parent, "Child\\Grandchild");
        QVERIFY(reborn);
        QCOMPARE(get(reborn, "v"), QByteArray()); // its values went with it
        QCOMPARE(set(child, "v", sz("y")), ERROR_KEY_DELETED);
        QCOMPARE(RegCloseKey(child), ERROR_SUCCESS);

        QCOMPARE(set(parent, "Name", sz("x")), ERROR_SUCCESS);
        QCOMPARE(RegDeleteValueA(parent, "NAME"), ERROR_SUCCESS);
        QCOMPARE(RegDeleteValueA(parent, "Name"), ERROR_FILE_NOT_FOUND);
        QCOMPARE(valueNames(parent), QByteArrayList{});
    }

    void threadsShareTheHandleTable() {
        QList<HKEY> handles[4];
        QList<QThread*> threads;
        for (int t = 0; t < 4; ++t)
            threads << QThread::create([t, &handles] {
                for (int n = 0; n < 25; ++n) {
                    const QByteArray path =
                        "Threads\\t" + QByteArray::number(t) + "\\k" + QByteArray::number(n);
                    HKEY key = create(HKEY_CURRENT_USER, path.constData());
                    set(key, "v", path + '\0');
                    handles[t] << key;
                }
            });
        for (QThread* thread : threads)
            thread->start();
        for (QThread* thread : threads) {
            QVERIFY(thread->wait(30000));
            delete thread;
        }
        QSet<HKEY> distinct;
        for (int t = 0; t < 4; ++t)
            for (int n = 0; n < 25; ++n) {
                const HKEY key = handles[t].value(n);
                QVERIFY(key != 0);
                distinct.insert(key);
                const QByteArray path =
                    "Threads\\t" + QByteArray::number(t) + "\\k" + QByteArray::number(n);
                QCOMPARE(get(key, "v"), path + '\0'); // each handle names its own key
                QCOMPARE(RegCloseKey(key), ERROR_SUCCESS);
            }
        QCOMPARE(distinct.size(), 100);
    }

    void twoProcessesWritingAtOnceLoseNothing() {
        const QString go = m_registry->path() + QStringLiteral("/go");
        QProcess first, second;
        first.start(writerProgram(),
                    {QStringLiteral("add"), QStringLiteral("first"), QStringLiteral("500"), go});
        second.start(writerProgram(),
                     {QStringLiteral("add"), QStringLiteral("second"), QStringLiteral("500"), go});
        QVERIFY(first.waitForStarted());
        QVERIFY(second.waitForStarted());
        QVERIFY(testenv::writeAll(go, "go"));
        QVERIFY(first.waitForFinished(60000));
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(second.exitCode(), 0);

        HKEY key = 0;
        QCOMPARE(RegOpenKeyExA(HKEY_CURRENT_USER, "Concurrent", 0, 0x2003F, &key), ERROR_SUCCESS);
        const QByteArrayList names = valueNames(key);
        QCOMPARE(names.size(), 1000);
        for (const char* prefix : {"first", "second"})
            for (int n = 0; n < 500; ++n) {
                const QByteArray name = prefix + QByteArray::number(n);
                QCOMPARE(get(key, name.constData()), "data of " + name + '\0');
            }
    }

    void writesStayVisibleWhileOthersComeAndGo() {
        // This process keeps the hive open while other processes write (one
        // large enough to fold the log into the hive file) and end.
        const auto other = [](const QStringList& args) {
            QProcess p;
            p.start(writerProgram(), args);
            p.waitForFinished(30000);
            return p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray("failed");
        };
        HKEY key = create(HKEY_CURRENT_USER, "Shared");
        QCOMPARE(set(key, "mine0", sz("zero")), ERROR_SUCCESS);
        QCOMPARE(
            other({QStringLiteral("set"), QStringLiteral("big"), QString::number(6 * 1024 * 1024)}),
            QByteArray());
        QCOMPARE(set(key, "mine1", sz("one")), ERROR_SUCCESS);
        QCOMPARE(other({QStringLiteral("set"), QStringLiteral("small"), QStringLiteral("10")}),
                 QByteArray());
        QCOMPARE(set(key, "mine2", sz("two")), ERROR_SUCCESS);
        QCOMPARE(other({QStringLiteral("get"), QStringLiteral("mine2")}), QByteArray("two"));
        QCOMPARE(get(key, "small"), QByteArray("wwwwwwwwww", 11));
        RegCloseKey(key);
    }

    void killedWriterLeavesOnlyWholeWrites() {
        for (int round = 0; round < 3; ++round) {
            QProcess writer;
            writer.start(writerProgram(), {QStringLiteral("churn"), QString::number(round)});
            QVERIFY(writer.waitForStarted());
            QByteArray output;
            while (output.count('\n') < 4 + round * 3 && writer.waitForReadyRead(10000))
                output += writer.readAllStandardOutput();
            QThread::usleep(QRandomGenerator::global()->bounded(2000));
            writer.kill();
            QVERIFY(writer.waitForFinished(10000));
            output += writer.readAllStandardOutput();
            const QList<QByteArray> lines = output.trimmed().split('\n');
            const int lastReported = lines.last().toInt();
            QVERIFY(lastReported >= 3);

            QCOMPARE(integrityOf(hivePath(HKEY_CURRENT_USER)), QStringLiteral("ok"));
            HKEY churn = 0;
            QCOMPARE(RegOpenKeyExA(HKEY_CURRENT_USER, "Churn", 0, 0x2003F, &churn), ERROR_SUCCESS);
            const QByteArrayList keys = subkeys(churn);
            QVERIFY(keys.size() >= lastReported + 1);
            for (const QByteArray& k : keys) {
                // every key written has its whole value: one letter, 256 KiB, and the NUL
                std::vector<char> data(300 * 1024);
                LONG size = static_cast<LONG>(data.size());
                QCOMPARE(RegQueryValueA(churn, k.constData(), data.data(), &size), ERROR_SUCCESS);
                QCOMPARE(size, LONG(256 * 1024 + 1));
                const QByteArray value(data.data(), size - 1);
                QCOMPARE(value.count(value.at(0)), qsizetype(256 * 1024));
                QCOMPARE(data[static_cast<size_t>(size - 1)], '\0');
            }
            RegCloseKey(churn);
        }
    }

    void damagedHiveIsReportedAndLeftAlone() {
        const QString hive = hivePath(HKEY_CURRENT_USER);
        QByteArray garbage;
        for (int i = 0; i < 8192; ++i)
            garbage += char(QRandomGenerator::global()->bounded(256));
        garbage.replace(0, 16, "not SQLite data!");
        QVERIFY(testenv::writeAll(hive, garbage));

        HKEY key = 0;
        QCOMPARE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, 0x2003F, &key),
                 ERROR_REGISTRY_CORRUPT);
        QCOMPARE(damagedHivePath(), hive);
        QCOMPARE(
            RegCreateKeyExA(HKEY_CURRENT_USER, "Software", 0, "", 0, 0, nullptr, &key, nullptr),
            ERROR_REGISTRY_CORRUPT);
        QCOMPARE(set(HKEY_CURRENT_USER, "v", sz("x")), ERROR_REGISTRY_CORRUPT);
        QCOMPARE(RegDeleteValueA(HKEY_CURRENT_USER, "v"), ERROR_REGISTRY_CORRUPT);
        QCOMPARE(testenv::readAll(hive), garbage);

        // the other hive is not affected
        key = create(HKEY_LOCAL_MACHINE, "Software");
        QVERIFY(key);
        RegCloseKey(key);
    }

    void damagedBesideItsLogStaysAsItWas() {
        // A hive in use has a write-ahead log; garbage over the hive must not be "repaired" from
        // it.
        HKEY key = create(HKEY_CURRENT_USER, "Logged");
        QCOMPARE(set(key, "v", sz("x")), ERROR_SUCCESS);
        RegCloseKey(key);
        const QString hive = hivePath(HKEY_CURRENT_USER);
        const QByteArray garbage = QByteArray("\x01\x02garbage", 9).repeated(1000);
        QVERIFY(testenv::writeAll(hive, garbage));
        QCOMPARE(RegOpenKeyExA(HKEY_CURRENT_USER, "Logged", 0, 0x2003F, &key),
                 ERROR_REGISTRY_CORRUPT);
        QCOMPARE(testenv::readAll(hive), garbage);
    }

    void foreignDatabaseCountsAsDamaged() {
        const QString hive = hivePath(HKEY_LOCAL_MACHINE);
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(hive).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "CREATE TABLE notes(text)", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(db);
        const QByteArray before = testenv::readAll(hive);
        HKEY key = 0;
        QCOMPARE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "x", 0, "", 0, 0, nullptr, &key, nullptr),
                 ERROR_REGISTRY_CORRUPT);
        QCOMPARE(damagedHivePath(), hive);
        QCOMPARE(testenv::readAll(hive), before);
    }

    void unusableFolderIsRefused() {
        const QString file = m_registry->path() + QStringLiteral("/plain-file");
        QVERIFY(testenv::writeAll(file, "x"));
        qputenv("QUILLMATE_REGISTRY", QFile::encodeName(file + QStringLiteral("/registry")));
        HKEY key = 0;
        const LONG status =
            RegCreateKeyExA(HKEY_CURRENT_USER, "k", 0, "", 0, 0, nullptr, &key, nullptr);
        qputenv("QUILLMATE_REGISTRY", QFile::encodeName(m_registry->path()));
        QCOMPARE(status, ERROR_ACCESS_DENIED);
        QCOMPARE(key, HKEY(0));
        QCOMPARE(testenv::readAll(file), QByteArray("x"));
    }

    void emptyFileBecomesAHive() {
        // a file created but never written (a crash at first use) is not damage
        QVERIFY(testenv::writeAll(hivePath(HKEY_CURRENT_USER), QByteArray()));
        HKEY key = create(HKEY_CURRENT_USER, "Fresh");
        QVERIFY(key);
        QCOMPARE(set(key, "v", sz("x")), ERROR_SUCCESS);
        QCOMPARE(get(key, "v"), sz("x"));
    }

private:
    std::unique_ptr<testenv::RegistryFolder> m_registry;
};

int runWinregTests(int argc, char** argv) {
    WinregTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_winreg.moc"
