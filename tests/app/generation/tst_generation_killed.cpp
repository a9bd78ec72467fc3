// qmt --create killed at random moments: every form file is whole (as it was
// or as Create makes it), and the next run leaves no work file behind.
#include "common/testenv.h"
#include "genfixture.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <csignal>

using namespace genfixture;

namespace {

constexpr int kForms = 40;
constexpr int kKills = 12;

QByteArray formText(int i, bool withTip) {
    QByteArray controls;
    for (int c = 0; c < 30; ++c) {
        const QByteArray n = QByteArray::number(c);
        controls += "   Begin VB.CommandButton cmd" + n + " \r\n      Caption         =   \"" + n +
                    "\"\r\n      Height          =   375\r\n" +
                    (withTip ? "ToolTipText    = \"tip " + n + "\"\r\n" : QByteArray()) +
                    "      Top             =   120\r\n   End\r\n";
    }
    const QByteArray name = "frm" + QByteArray::number(i);
    return "VERSION 5.00\r\nBegin VB.Form " + name + " \r\n   Caption         =   \"F\"\r\n" +
           controls + "End\r\nAttribute VB_Name = \"" + name + "\"\r\n";
}

} // namespace

class TestGenerationKilled : public QObject {
    Q_OBJECT

    testenv::RegistryFolder m_registry;
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString formPath(int i) const { return path(QStringLiteral("app/frm%1.frm").arg(i)); }

    QProcess* start() {
        auto* qmt = new QProcess(this);
        qmt->start(qEnvironmentVariable("QUILLMATE_BUILD_DIR") + QStringLiteral("/bin/qmt"),
                   {QStringLiteral("--create"), path(QStringLiteral("p.QMT"))});
        return qmt;
    }

private slots:
    void formsAreWholeAfterAKill() {
        QByteArray vbp = "Type=Exe\r\n";
        for (int i = 0; i < kForms; ++i)
            vbp += "Form=frm" + QByteArray::number(i) + ".frm\r\n";
        QVERIFY(testenv::writeAll(path(QStringLiteral("app/app.vbp")), vbp));
        {
            auto db = testenv::freshProject(path(QStringLiteral("p.QMT")));
            db->BeginTrans();
            auto tips =
                db->OpenRecordset(QStringLiteral("select * from ToolTips"), dao::dbOpenDynaset);
            for (int i = 0; i < kForms; ++i) {
                for (int c = 0; c < 30; ++c) {
                    tips->AddNew();
                    tips->SetField(QStringLiteral("Object"),
                                   QStringLiteral("frm%1.cmd%2").arg(i).arg(c));
                    tips->SetField(QStringLiteral("HelpText"), QStringLiteral("tip %1").arg(c));
                    tips->Update();
                }
            }
            tips.reset();
            db->CommitTrans();
            for (const auto& [key, value] : {std::pair{"VBPF", path(QStringLiteral("app/app.vbp"))},
                                             std::pair{"CRTT", QStringLiteral("1")},
                                             std::pair{"WHLP", QStringLiteral("True")}})
                setOption(*db, QString::fromLatin1(key), value);
        }

        // How long a whole run takes sets the range of the kill moments.
        const auto reset = [&] {
            for (int i = 0; i < kForms; ++i)
                QVERIFY(testenv::writeAll(formPath(i), formText(i, false)));
        };
        reset();
        QElapsedTimer timer;
        timer.start();
        QProcess* whole = start();
        QVERIFY(whole->waitForFinished(60000));
        QCOMPARE(whole->exitCode(), 0);
        const qint64 runMs = qMax<qint64>(timer.elapsed(), 20);

        QRandomGenerator random(20261208);
        for (int k = 0; k < kKills; ++k) {
            reset();
            QProcess* qmt = start();
            QVERIFY(qmt->waitForStarted());
            QTest::qSleep(int(random.bounded(runMs)));
            ::kill(static_cast<pid_t>(qmt->processId()), SIGKILL);
            QVERIFY(qmt->waitForFinished(60000));
            for (int i = 0; i < kForms; ++i) {
                const QByteArray now = testenv::readAll(formPath(i));
                QVERIFY2(
                    now == formText(i, false) || now == formText(i, true),
                    qPrintable(QStringLiteral("frm%1.frm is torn after kill %2").arg(i).arg(k)));
            }
        }
        qInfo("work files left by the kills: %lld",
              qlonglong(QDir(path(QStringLiteral("app")))
                            .entryList(QDir::Files | QDir::Hidden)
                            .filter(QStringLiteral(".qmt-"))
                            .size()));
        // The next whole run removes what the killed ones left.
        QProcess* last = start();
        QVERIFY(last->waitForFinished(60000));
        QCOMPARE(last->exitCode(), 0);
        const QStringList left =
            QDir(path(QStringLiteral("app"))).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left.filter(QStringLiteral(".qmt-")), QStringList());
        for (int i = 0; i < kForms; ++i)
            QCOMPARE(testenv::readAll(formPath(i)), formText(i, true));
    }
};

QTEST_GUILESS_MAIN(TestGenerationKilled)
#include "tst_generation_killed.moc"
