// qmt-reg: query, add and delete through the tool, checked through the tool
// and through the registry functions the program uses.
#include "common/testenv.h"
#include "winreg/winreg.h"

#include <QProcess>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using namespace winreg;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run qmtReg(const QStringList& args) {
    QProcess p;
    p.start(qEnvironmentVariable("QUILLMATE_BUILD_DIR") + QStringLiteral("/bin/qmt-reg"), args);
    Run r;
    if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit)
        return r; // -1: did not start, hung or crashed
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

const QString kAppPaths = QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths");

} // namespace

class QmtRegTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_registry = std::make_unique<testenv::RegistryFolder>(); }
    void cleanup() { m_registry.reset(); }

    void registersTheHelpCompiler() {
        const Run add = qmtReg({QStringLiteral("add"),
                                QStringLiteral("HKLM\\") + kAppPaths + QStringLiteral("\\hcw.exe"),
                                QStringLiteral("/ve"), QStringLiteral("/d"),
                                QStringLiteral("/opt/help workshop/hcw")});
        QCOMPARE(add.exitCode, 0);
        const QString key =
            QStringLiteral("hkey_local_machine\\software\\microsoft\\windows\\currentversion\\"
                           "app paths\\HCW.EXE");
        const Run query = qmtReg({QStringLiteral("query"), key});
        QCOMPARE(query.exitCode, 0);
        QCOMPARE(query.out,
                 QStringLiteral("HKEY_LOCAL_MACHINE\\software\\microsoft\\windows\\currentversion\\"
                                "app paths\\HCW.EXE\n"
                                "    (Default)    REG_SZ    /opt/help workshop/hcw\n"));
        const Run one = qmtReg({QStringLiteral("query"), key, QStringLiteral("/ve")});
        QCOMPARE(one.out, query.out);

        // the program reads it as the default value of the subkey hcw.exe
        HKEY paths = 0;
        QCOMPARE(
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppPaths.toLatin1().constData(), 0, 0x2003F, &paths),
            ERROR_SUCCESS);
        char data[256];
        LONG size = sizeof data;
        QCOMPARE(RegQueryValueA(paths, "hcw.exe", data, &size), ERROR_SUCCESS);
        QCOMPARE(QByteArray(data, size), QByteArray("/opt/help workshop/hcw", 23));
        RegCloseKey(paths);
    }

    void queryListsValuesThenSubkeys() {
        QCOMPARE(qmtReg({QStringLiteral("add"), QStringLiteral("HKCU\\Software\\KRV\\Quillmate"),
                         QStringLiteral("/v"), QStringLiteral("MRU1"), QStringLiteral("/d"),
                         QStringLiteral("/home/a/b.QMT")})
                     .exitCode,
                 0);
        QCOMPARE(qmtReg({QStringLiteral("add"), QStringLiteral("HKCU\\Software\\KRV\\Quillmate"),
                         QStringLiteral("/v"), QStringLiteral("Empty")})
                     .exitCode,
                 0); // no /d: the empty text
        QCOMPARE(qmtReg({QStringLiteral("add"),
                         QStringLiteral("HKCU\\Software\\KRV\\Quillmate\\ToolTipControls")})
                     .exitCode,
                 0);
        const Run query = qmtReg({QStringLiteral("query"),
                                  QStringLiteral("HKEY_CURRENT_USER\\Software\\KRV\\Quillmate")});
        QCOMPARE(query.exitCode, 0);
        QCOMPARE(query.out,
                 QStringLiteral("HKEY_CURRENT_USER\\Software\\KRV\\Quillmate\n"
                                "    MRU1    REG_SZ    /home/a/b.QMT\n"
                                "    Empty    REG_SZ    \n"
                                "HKEY_CURRENT_USER\\Software\\KRV\\Quillmate\\ToolTipControls\n"));
        const Run value =
            qmtReg({QStringLiteral("query"), QStringLiteral("hkcu\\software\\krv\\quillmate"),
                    QStringLiteral("/v"), QStringLiteral("mru1")});
        QCOMPARE(value.exitCode, 0);
        // names asked for are shown as they were asked for
        QCOMPARE(value.out, QStringLiteral("HKEY_CURRENT_USER\\software\\krv\\quillmate\n"
                                           "    mru1    REG_SZ    /home/a/b.QMT\n"));
        // long data is shown whole
        const QString longData(5000, QLatin1Char('L'));
        QCOMPARE(qmtReg({QStringLiteral("add"), QStringLiteral("HKCU\\Long"), QStringLiteral("/v"),
                         QStringLiteral("v"), QStringLiteral("/d"), longData})
                     .exitCode,
                 0);
        const QString longLine =
            QStringLiteral("    v    REG_SZ    ") + longData + QLatin1Char('\n');
        QCOMPARE(qmtReg({QStringLiteral("query"), QStringLiteral("HKCU\\Long")}).out,
                 QStringLiteral("HKEY_CURRENT_USER\\Long\n") + longLine);
        QCOMPARE(qmtReg({QStringLiteral("query"), QStringLiteral("HKCU\\Long"),
                         QStringLiteral("/v"), QStringLiteral("v")})
                     .out,
                 QStringLiteral("HKEY_CURRENT_USER\\Long\n") + longLine);
        // texts outside ASCII pass through the registry's code page and back
        QCOMPARE(qmtReg({QStringLiteral("add"), QStringLiteral("HKCU\\Caf\u00e9"),
                         QStringLiteral("/d"), QStringLiteral("\u20ac 5")})
                     .exitCode,
                 0);
        QCOMPARE(
            qmtReg(
                {QStringLiteral("query"), QStringLiteral("HKCU\\CAF\u00c9"), QStringLiteral("/ve")})
                .out,
            QStringLiteral("HKEY_CURRENT_USER\\CAF\u00c9\n    (Default)    REG_SZ    \u20ac 5\n"));
    }

    void emptyPathIsTheRoot() {
        QCOMPARE(qmtReg({QStringLiteral("add"), QStringLiteral("HKCU\\Alpha")}).exitCode, 0);
        for (const QString& root : {QStringLiteral("HKCU"), QStringLiteral("HKCU\\"),
                                    QStringLiteral("hkey_current_user\\")}) {
            const Run query = qmtReg({QStringLiteral("query"), root});
            QCOMPARE(query.exitCode, 0);
            QCOMPARE(query.out, QStringLiteral("HKEY_CURRENT_USER\nHKEY_CURRENT_USER\\Alpha\n"));
        }
        const Run remove = qmtReg({QStringLiteral("delete"), QStringLiteral("HKCU\\")});
        QCOMPARE(remove.exitCode, 2);
        QVERIFY(remove.err.contains(QStringLiteral("root")));
        QCOMPARE(qmtReg({QStringLiteral("query"), QStringLiteral("HKCU\\Alpha")}).exitCode, 0);
    }

    void missingKeysAndValues() {
        const Run key = qmtReg({QStringLiteral("query"), QStringLiteral("HKCU\\Nowhere")});
        QCOMPARE(key.exitCode, 1);
        QVERIFY(key.err.contains(QStringLiteral("HKEY_CURRENT_USER\\Nowhere")));
        QVERIFY(key.out.isEmpty());
        QCOMPARE(qmtReg({QStringLiteral("add"), QStringLiteral("HKCU\\Here")}).exitCode, 0);
        QCOMPARE(qmtReg({QStringLiteral("query"), QStringLiteral("HKCU\\Here"),
                         QStringLiteral("/v"), QStringLiteral("x")})
                     .exitCode,
                 1);
        QCOMPARE(
            qmtReg({QStringLiteral("query"), QStringLiteral("HKCU\\Here"), QStringLiteral("/ve")})
                .exitCode,
            1);
        QCOMPARE(qmtReg({QStringLiteral("delete"), QStringLiteral("HKCU\\Here"),
                         QStringLiteral("/v"), QStringLiteral("x")})
                     .exitCode,
                 1);
        QCOMPARE(qmtReg({QStringLiteral("delete"), QStringLiteral("HKCU\\Nowhere")}).exitCode, 1);
    }

    void deleteRemovesValuesOrWholeKeys() {
        for (const char* path : {"HKCU\\T\\A\\B\\C", "HKCU\\T\\A\\D", "HKCU\\T\\Keep"})
            QCOMPARE(qmtReg({QStringLiteral("add"), QString::fromLatin1(path), QStringLiteral("/v"),
                             QStringLiteral("v"), QStringLiteral("/d"), QStringLiteral("x")})
                         .exitCode,
                     0);
        QCOMPARE(qmtReg({QStringLiteral("add"), QStringLiteral("HKCU\\T"), QStringLiteral("/ve"),
                         QStringLiteral("/d"), QStringLiteral("d")})
                     .exitCode,
                 0);
        QCOMPARE(qmtReg({QStringLiteral("delete"), QStringLiteral("HKCU\\t\\keep"),
                         QStringLiteral("/v"), QStringLiteral("V"), QStringLiteral("/f")})
                     .exitCode,
                 0);
        QCOMPARE(
            qmtReg({QStringLiteral("delete"), QStringLiteral("HKCU\\T"), QStringLiteral("/ve")})
                .exitCode,
            0);
        QCOMPARE(qmtReg({QStringLiteral("delete"), QStringLiteral("HKCU\\T\\a")}).exitCode,
                 0); // with subkeys
        const Run rest = qmtReg({QStringLiteral("query"), QStringLiteral("HKCU\\T")});
        QCOMPARE(rest.out, QStringLiteral("HKEY_CURRENT_USER\\T\nHKEY_CURRENT_USER\\T\\Keep\n"));
        QCOMPARE(qmtReg({QStringLiteral("query"), QStringLiteral("HKCU\\T\\Keep")}).out,
                 QStringLiteral("HKEY_CURRENT_USER\\T\\Keep\n"));
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("told");
        QTest::newRow("nothing") << QStringList{} << QString();
        QTest::newRow("no key") << QStringList{QStringLiteral("query")} << QString();
        QTest::newRow("unknown command")
            << QStringList{QStringLiteral("list"), QStringLiteral("HKCU\\x")}
            << QStringLiteral("list");
        QTest::newRow("unknown root")
            << QStringList{QStringLiteral("query"), QStringLiteral("HKCR\\x")}
            << QStringLiteral("HKCR");
        QTest::newRow("root without backslash")
            << QStringList{QStringLiteral("query"), QStringLiteral("HKCUSoftware")}
            << QStringLiteral("HKCUSoftware");
        QTest::newRow("/v without a name")
            << QStringList{QStringLiteral("query"), QStringLiteral("HKCU\\x"), QStringLiteral("/v")}
            << QStringLiteral("/v");
        QTest::newRow("/v and /ve")
            << QStringList{QStringLiteral("add"), QStringLiteral("HKCU\\x"), QStringLiteral("/v"),
                           QStringLiteral("a"), QStringLiteral("/ve")}
            << QString();
        QTest::newRow("/d on query")
            << QStringList{QStringLiteral("query"), QStringLiteral("HKCU\\x"), QStringLiteral("/d"),
                           QStringLiteral("y")}
            << QStringLiteral("/d");
        QTest::newRow("other type")
            << QStringList{QStringLiteral("add"), QStringLiteral("HKCU\\x"), QStringLiteral("/t"),
                           QStringLiteral("REG_DWORD")}
            << QStringLiteral("REG_SZ");
        QTest::newRow("stray word") << QStringList{QStringLiteral("add"), QStringLiteral("HKCU\\x"),
                                                   QStringLiteral("extra")}
                                    << QStringLiteral("extra");
        QTest::newRow("empty key name")
            << QStringList{QStringLiteral("add"), QStringLiteral("HKCU\\a\\\\b")}
            << QStringLiteral("empty name between two backslashes");
        QTest::newRow("key name over 255")
            << QStringList{QStringLiteral("add"), u"HKCU\\" + QString(256, u'k')}
            << QStringLiteral("longer than 255 characters");
        // The registry keeps Windows-1252: such names would become "?" and merge.
        QTest::newRow("value name it cannot hold")
            << QStringList{QStringLiteral("add"), QStringLiteral("HKCU\\u"),
                           QStringLiteral("/v"),  QStringLiteral("emoji\U0001F600"),
                           QStringLiteral("/d"),  QStringLiteral("1")}
            << QStringLiteral("(U+1F600)");
        QTest::newRow("data it cannot hold")
            << QStringList{QStringLiteral("add"), QStringLiteral("HKCU\\u"), QStringLiteral("/ve"),
                           QStringLiteral("/d"), QStringLiteral("\u4e2d")}
            << QStringLiteral("the data holds");
    }
    void badArguments() {
        QFETCH(QStringList, args);
        QFETCH(QString, told);
        const Run r = qmtReg(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(QStringLiteral("usage: qmt-reg")), qPrintable(r.err));
        QVERIFY2(r.err.contains(told), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        // nothing was written
        QCOMPARE(qmtReg({QStringLiteral("query"), QStringLiteral("HKCU")}).out,
                 QStringLiteral("HKEY_CURRENT_USER\n"));
    }

    void damagedHiveIsNamedAndLeftAlone() {
        const QString hive = hivePath(HKEY_CURRENT_USER);
        const QByteArray garbage = QByteArray("\x13\x37 scrambled ", 12).repeated(700);
        QVERIFY(testenv::writeAll(hive, garbage));
        for (const QStringList& args :
             {QStringList{QStringLiteral("query"), QStringLiteral("HKCU\\Software")},
              QStringList{QStringLiteral("add"), QStringLiteral("HKCU\\Software"),
                          QStringLiteral("/v"), QStringLiteral("x")},
              QStringList{QStringLiteral("delete"), QStringLiteral("HKCU\\Software")}}) {
            const Run r = qmtReg(args);
            QVERIFY(r.exitCode > 0); // and not a crash (-1)
            QVERIFY2(r.err.contains(hive), qPrintable(r.err));
            QVERIFY2(r.err.contains(QStringLiteral("damaged")), qPrintable(r.err));
        }
        QCOMPARE(testenv::readAll(hive), garbage);
        // the other hive still serves
        QCOMPARE(qmtReg({QStringLiteral("add"), QStringLiteral("HKLM\\Fine")}).exitCode, 0);
    }

    void namesFoldCharacterByCharacter() {
        const auto add = [](const QString& name, const QString& data) {
            return qmtReg({QStringLiteral("add"), QStringLiteral("HKCU\\u"), QStringLiteral("/v"),
                           name, QStringLiteral("/d"), data})
                .exitCode;
        };
        QCOMPARE(add(QStringLiteral("Stra\u00dfe"), QStringLiteral("1")), 0);
        QCOMPARE(add(QStringLiteral("STRASSE"), QStringLiteral("2")), 0);
        QCOMPARE(add(QStringLiteral("STRA\u00dfE"), QStringLiteral("3")), 0); // same as Straße
        const Run r = qmtReg({QStringLiteral("query"), QStringLiteral("HKCU\\u")});
        QCOMPARE(r.out.count(QStringLiteral("REG_SZ")), 2);
        QVERIFY2(r.out.contains(QStringLiteral("Stra\u00dfe    REG_SZ    3")), qPrintable(r.out));
        QVERIFY2(r.out.contains(QStringLiteral("STRASSE    REG_SZ    2")), qPrintable(r.out));
    }

    void olderHivesAreFoldedAgain() {
        QCOMPARE(qmtReg({QStringLiteral("add"), QStringLiteral("HKCU\\u"), QStringLiteral("/v"),
                         QStringLiteral("Stra\u00dfe"), QStringLiteral("/d"), QStringLiteral("1")})
                     .exitCode,
                 0);
        // As a hive of the first version stored it: the name folded to "STRASSE".
        QProcess sql;
        sql.start(QStringLiteral("sqlcipher"),
                  {hivePath(HKEY_CURRENT_USER),
                   QStringLiteral("UPDATE vals SET fold = 'STRASSE'; PRAGMA user_version = 1;")});
        QVERIFY(sql.waitForFinished(20000) && sql.exitCode() == 0);
        const Run r = qmtReg({QStringLiteral("query"), QStringLiteral("HKCU\\u"),
                              QStringLiteral("/v"), QStringLiteral("STRA\u00dfE")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(qmtReg({QStringLiteral("query"), QStringLiteral("HKCU\\u"), QStringLiteral("/v"),
                         QStringLiteral("STRASSE")})
                     .exitCode,
                 1);
    }

    void unusableRegistryFolderIsNamed() {
        const QString folder = m_registry->path() + QStringLiteral("/not-a-folder");
        QVERIFY(testenv::writeAll(folder, "a file"));
        qputenv("QUILLMATE_REGISTRY", QFile::encodeName(folder));
        const Run r = qmtReg({QStringLiteral("add"), QStringLiteral("HKCU\\x")});
        qputenv("QUILLMATE_REGISTRY", QFile::encodeName(m_registry->path()));
        QCOMPARE(r.exitCode, 3);
        QVERIFY2(r.err.contains(folder) && r.err.contains(u"a file stands where the folder"),
                 qPrintable(r.err));
    }

    // A hive the registry cannot use is named with the reason, not a number.
    void unusableHiveIsNamedWithTheReason_data() {
        QTest::addColumn<bool>("folder"); // the hive is a folder, else the disk fills
        QTest::addColumn<QString>("reason");
        QTest::newRow("a folder") << true << QStringLiteral("it is a folder");
        QTest::newRow("a full disk") << false << QStringLiteral("File too large");
    }
    void unusableHiveIsNamedWithTheReason() {
        QFETCH(bool, folder);
        QFETCH(QString, reason);
        const QString hive = hivePath(HKEY_CURRENT_USER);
        const QStringList add{QStringLiteral("add"), QStringLiteral("HKCU\\Software\\Big"),
                              QStringLiteral("/v"),  QStringLiteral("x"),
                              QStringLiteral("/d"),  QString(100000, u'x')};
        Run r;
        if (folder) {
            QVERIFY(QDir().mkpath(hive));
            r = qmtReg(add);
        } else {
            QCOMPARE(qmtReg({QStringLiteral("add"), QStringLiteral("HKCU\\Software")}).exitCode, 0);
            // Files may not grow past 50 KB while qmt-reg runs.
            rlimit saved{};
            QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit limited = saved;
            limited.rlim_cur = 50000;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
            r = qmtReg(add);
            setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, oldHandler);
        }
        QCOMPARE(r.exitCode, 3);
        QVERIFY2(r.err.startsWith(QStringLiteral("qmt-reg: ")) &&
                     r.err.endsWith(QStringLiteral("HKEY_CURRENT_USER\\Software\\Big: the "
                                                   "registry file %1 could not be used: %2.\n")
                                        .arg(hive, reason)),
                 qPrintable(r.err));
    }

private:
    std::unique_ptr<testenv::RegistryFolder> m_registry;
};

QTEST_GUILESS_MAIN(QmtRegTest)
#include "tst_qmtreg.moc"
