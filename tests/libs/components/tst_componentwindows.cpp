// The About and splash components, created by class name as their callers do.
#include "common/testenv.h"
#include "components/components.h"
#include "components/interfaces.h"
#include "shell/dialogs.h"
#include "winreg/winreg.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

using namespace winreg;

namespace {

QWidget* topLevel(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name)
            return w;
    return nullptr;
}

QString labelText(QWidget* window, const char* name) {
    auto* l = window->findChild<QLabel*>(QString::fromLatin1(name));
    return l ? l->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

bool setHklmText(const char* key, const char* name, const QByteArray& value) {
    HKEY h = 0;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, 0x2003F, nullptr, &h,
                        &disposition) != ERROR_SUCCESS)
        return false;
    const LONG rc =
        RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.constData()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

void deleteHklmValue(const char* key, const char* name) {
    HKEY h = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, 0x2003F, &h) == ERROR_SUCCESS) {
        RegDeleteValueA(h, name);
        RegCloseKey(h);
    }
}

const char* const InfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char* const LocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

// A program that adds a line to runs.txt beside itself each time it starts.
QString writeCountingProgram(const QString& path) {
    const QByteArray script = "#!/bin/sh\necho run >> \"$(dirname \"$0\")/runs.txt\"\n";
    if (!testenv::writeAll(path, script))
        return {};
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QFileInfo(path).dir().filePath(QStringLiteral("runs.txt"));
}

int lineCount(const QString& path) {
    return int(testenv::readAll(path).count('\n'));
}

} // namespace

class TestComponentWindows : public QObject {
    Q_OBJECT

private:
    testenv::RegistryFolder m_registry;
    QStringList m_messages;

    // Shows the About window through a new object that is released at once.
    static QWidget* showAbout(const QString& major, const QString& minor, const QString& release,
                              bool setVersions = true) {
        {
            components::Component<IAboutBox> about(QStringLiteral("QMTAbout.About_Box"));
            if (setVersions) {
                about->setMajor_Version(major);
                about->setMinor_Version(minor);
                about->setRelease_Version(release);
            }
            about->setProgName(QStringLiteral("Quillmate"));
            about->ShowAboutBox();
        }
        return topLevel(QStringLiteral("QMTAboutBox"));
    }

    static void closeAbout() {
        if (QWidget* w = topLevel(QStringLiteral("QMTAboutBox"))) {
            QPointer<QWidget> gone(w);
            w->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
            QTRY_VERIFY(gone.isNull());
        }
    }

    void pressSysInfo() {
        QWidget* w = showAbout(QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0"));
        QVERIFY(w);
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
    }

private slots:
    void initTestCase() {
        shell::setMessageHandler([this](const shell::MessageRequest& r) {
            m_messages << r.text;
            return int(shell::vbOK);
        });
    }

    void init() {
        m_messages.clear();
        deleteHklmValue(InfoKey, "PATH");
        deleteHklmValue(LocationKey, "MSINFO");
    }

    void cleanup() { closeAbout(); }

    void aboutShowsCaptionsAndVersion() {
        QWidget* w = showAbout(QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0"));
        QVERIFY(w);
        // The object is gone; the window stays up.
        QVERIFY(w->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCOMPARE(w->windowTitle(), QStringLiteral("About Quillmate"));
        QCOMPARE(labelText(w, "lblTitle"), QStringLiteral("Quillmate"));
        QCOMPARE(labelText(w, "lbledition"), QStringLiteral("Personnal Edition"));
        QCOMPARE(w->findChild<QPushButton*>(QStringLiteral("cmdOK"))->text(),
                 QStringLiteral("&OK"));
        QCOMPARE(w->findChild<QPushButton*>(QStringLiteral("cmdSysInfo"))->text(),
                 QStringLiteral("System Info..."));
        QTRY_COMPARE(labelText(w, "lblVersion"), QStringLiteral("Version  1.0.0"));
        QVERIFY(labelText(w, "lblcopyright").contains(QChar(0xa9)));
        QVERIFY(labelText(w, "lblwarning").contains(QStringLiteral("\n\n")));
        // Free software under the GPL, version 3 or later; no terms that say otherwise.
        QCOMPARE(labelText(w, "lblcopyright"), QStringLiteral("Copyright \u00a9 Korvane."));
        const QString notice = labelText(w, "lblwarning");
        for (const char* words : {"free software",
                                  "GNU General Public License, version 3 or (at "
                                  "your option) any later version",
                                  "NO WARRANTY"})
            QVERIFY2(notice.contains(QLatin1String(words)), qPrintable(notice));
        QVERIFY(!notice.contains(QStringLiteral("permission")) &&
                !labelText(w, "lblcopyright").contains(QStringLiteral("All rights reserved")));
        QVERIFY(!w->findChild<QLabel*>(QStringLiteral("picIcon"))->pixmap().isNull());

        // Centred on the screen.
        const QRect screen = w->screen()->geometry();
        QCOMPARE(w->pos(), QPoint(screen.left() + (screen.width() - w->width()) / 2,
                                  screen.top() + (screen.height() - w->height()) / 2));
    }

    void aboutWithoutVersionsShowsTwoDots() {
        QWidget* w = showAbout({}, {}, {}, false);
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QTRY_COMPARE(labelText(w, "lblVersion"), QStringLiteral("Version  .."));
    }

    void hideThenShowRepaintsTheSameWindow() {
        QWidget* first = showAbout(QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0"));
        QVERIFY(QTest::qWaitForWindowExposed(first));
        QTRY_COMPARE(labelText(first, "lblVersion"), QStringLiteral("Version  1.0.0"));
        {
            components::Component<IAboutBox> about(QStringLiteral("QMTAbout.About_Box"));
            about->HideAboutBox();
        }
        QVERIFY(!first->isVisible());
        QWidget* again = showAbout(QStringLiteral("2"), QStringLiteral("5"), QStringLiteral("13"));
        QCOMPARE(again, first);
        QVERIFY(again->isVisible());
        QTRY_COMPARE(labelText(again, "lblVersion"), QStringLiteral("Version  2.5.13"));
    }

    void okUnloadsAndShowLoadsAgain() {
        QPointer<QWidget> first =
            showAbout(QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0"));
        QVERIFY(first);
        first->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        QTRY_VERIFY(first.isNull());
        // Hiding an unloaded window loads nothing.
        {
            components::Component<IAboutBox> about(QStringLiteral("QMTAbout.About_Box"));
            about->HideAboutBox();
        }
        QVERIFY(!topLevel(QStringLiteral("QMTAboutBox")));
        QWidget* second = showAbout(QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("1"));
        QVERIFY(second && second->isVisible());
        QTRY_COMPARE(labelText(second, "lblVersion"), QStringLiteral("Version  1.0.1"));
    }

    void sysInfoUnregisteredSaysUnavailable() {
        pressSysInfo();
        QCOMPARE(m_messages,
                 QStringList{QStringLiteral("System Information Is Unavailable At This Time")});
    }

    void sysInfoStartsTheRegisteredProgramEachTime() {
        QTemporaryDir dir;
        const QString program = dir.filePath(QStringLiteral("sys info"));
        const QString runs = writeCountingProgram(program);
        QVERIFY(setHklmText(InfoKey, "PATH", QFile::encodeName(program)));
        pressSysInfo();
        QTRY_COMPARE(lineCount(runs), 1);
        QTest::mouseClick(topLevel(QStringLiteral("QMTAboutBox"))
                              ->findChild<QPushButton*>(QStringLiteral("cmdSysInfo")),
                          Qt::LeftButton);
        QTRY_COMPARE(lineCount(runs), 2);
        QVERIFY(m_messages.isEmpty());
    }

    void sysInfoFromTheToolsFolder() {
        QTemporaryDir dir;
        const QString runs = writeCountingProgram(dir.filePath(QStringLiteral("MSINFO32.EXE")));
        QVERIFY(setHklmText(LocationKey, "MSINFO", QFile::encodeName(dir.path())));
        pressSysInfo();
        QTRY_COMPARE(lineCount(runs), 1);
        QVERIFY(m_messages.isEmpty());
    }

    void sysInfoFailuresSayUnavailable_data() {
        QTest::addColumn<int>("setup");
        QTest::newRow("folder without the program") << 0;
        QTest::newRow("registered program missing") << 1;
        QTest::newRow("number instead of a path") << 2;
    }
    void sysInfoFailuresSayUnavailable() {
        QFETCH(int, setup);
        QTemporaryDir dir;
        if (setup == 0) {
            QVERIFY(setHklmText(LocationKey, "MSINFO", QFile::encodeName(dir.path())));
        } else if (setup == 1) {
            QVERIFY(setHklmText(InfoKey, "PATH",
                                QFile::encodeName(dir.filePath(QStringLiteral("none")))));
        } else {
            HKEY h = 0;
            DWORD disposition = 0;
            QCOMPARE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, InfoKey, 0, nullptr, 0, 0x2003F, nullptr,
                                     &h, &disposition),
                     ERROR_SUCCESS);
            const DWORD number = 42;
            QCOMPARE(RegSetValueExA(h, "PATH", 0, 4, reinterpret_cast<const BYTE*>(&number), 4),
                     ERROR_SUCCESS);
            RegCloseKey(h);
        }
        pressSysInfo();
        QCOMPARE(m_messages,
                 QStringList{QStringLiteral("System Information Is Unavailable At This Time")});
    }

    void splashWithoutVersionsShowsTwoDots() {
        QVERIFY(!QGuiApplication::overrideCursor());
        components::Component<ISplash> splash(QStringLiteral("QMTSplash.Splash"));
        splash->showsplash();
        QPointer<QWidget> w = topLevel(QStringLiteral("splashscreen"));
        QVERIFY(w && w->isVisible());
        QCOMPARE(labelText(w, "lblVersion"), QStringLiteral("Version .."));
        QCOMPARE(labelText(w, "lblProductName"), QStringLiteral("Quillmate"));
        QCOMPARE(labelText(w, "lblCompany"), QStringLiteral("Korvane"));
        QCOMPARE(labelText(w, "lblCompanyProduct"), QStringLiteral("Korvane"));
        QCOMPARE(labelText(w, "lblWarning"), QStringLiteral(" "));
        QVERIFY(labelText(w, "lblCopyright").contains(QStringLiteral("General Public License")));
        QVERIFY(!labelText(w, "lblCopyright").contains(QStringLiteral("All rights reserved")));
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);

        splash->removesplash();
        QTRY_VERIFY(w.isNull());
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void splashVersionIsSetOnlyAtLoad() {
        components::Component<ISplash> splash(QStringLiteral("QMTSplash.Splash"));
        splash->setVersionMajor(QStringLiteral("1"));
        splash->setVersionMinor(QStringLiteral("2"));
        splash->setVersionRelase(QStringLiteral("3"));
        splash->showsplash();
        QPointer<QWidget> w = topLevel(QStringLiteral("splashscreen"));
        QVERIFY(w);
        QCOMPARE(labelText(w, "lblVersion"), QStringLiteral("Version 1.2.3"));

        // Shown again by another object: same window, label and pointer unchanged.
        {
            components::Component<ISplash> other(QStringLiteral("QMTSplash.Splash"));
            other->setVersionMajor(QStringLiteral("9"));
            other->showsplash();
        }
        QCOMPARE(topLevel(QStringLiteral("splashscreen")), w.data());
        QCOMPARE(labelText(w, "lblVersion"), QStringLiteral("Version 1.2.3"));

        // One removal gives the pointer back; a second one changes nothing.
        splash->removesplash();
        QTRY_VERIFY(w.isNull());
        QVERIFY(!QGuiApplication::overrideCursor());
        splash->removesplash();
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void removeWithoutAShownSplashKeepsThePointer() {
        QGuiApplication::setOverrideCursor(Qt::CrossCursor);
        {
            components::Component<ISplash> splash(QStringLiteral("QMTSplash.Splash"));
            splash->removesplash();
        }
        QVERIFY(!topLevel(QStringLiteral("splashscreen")));
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
        QGuiApplication::restoreOverrideCursor();
        QVERIFY(!QGuiApplication::overrideCursor());
    }
};

QTEST_MAIN(TestComponentWindows)
#include "tst_componentwindows.moc"
