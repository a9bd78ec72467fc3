// The project's topic lists (one model behind the General Help, Contents
// File and What's This? lists) and the window's commands and status line,
// which follow the selected tab's rule.
#include "common/project.h"
#include "common/testenv.h"
#include "common/window.h"

#include "ui/topicmodel.h"

#include <QLabel>
#include <QStatusBar>
#include <QtTest>

using testenv::click;
using testenv::items;
using testenv::retype;

namespace {

QStringList rows(const QAbstractItemModel& model) {
    QStringList out;
    for (int row = 0; row < model.rowCount(); ++row)
        out << model.index(row, 0).data().toString();
    return out;
}

// Steps on a model: "+G:id" / "+W:id" add a use, "-G:id" / "-W:id" take it.
void apply(TopicModel& model, const QStringList& steps) {
    for (const QString& step : steps) {
        const auto use = step.at(1) == u'G' ? TopicModel::General : TopicModel::WhatsThis;
        const QString id = step.mid(3);
        if (step.startsWith(u'+'))
            model.add(id, use);
        else
            model.drop(id, use);
    }
}

} // namespace

class TestTopicLists : public QObject {
    Q_OBJECT

    testenv::RegistryFolder m_registry;
    QTemporaryDir m_dir;
    std::unique_ptr<testenv::Window> w;
    testenv::DialogScript m_dialogs;
    int m_made = 0;

    void openNew() {
        w = testenv::shownWindow();
        const QString file = m_dir.filePath(QStringLiteral("p%1.QMT").arg(++m_made));
        QVERIFY(w->DataBaseOpen(testenv::freshProjectFile(file)));
    }
    QString pending() const {
        return w->statusBar()->findChild<QLabel*>(QStringLiteral("lblpending"))->text();
    }
    void saveTopic(const QString& id) {
        testenv::selectTab(*w, FrmMain::TabGeneralHelp);
        retype(w->cbotopicid, id);
        retype(w->txtgenhelptext, QStringLiteral("Text of ") + id);
        click(w->cmdok);
    }

private slots:
    void cleanup() { w.reset(); }

    void theModelKeepsOneSortedRowPerId_data() {
        QTest::addColumn<QStringList>("general");
        QTest::addColumn<QStringList>("whatsThis");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("all");
        QTest::addColumn<QStringList>("generalList");
        const auto list = [](const char* text) {
            return QString::fromLatin1(text).split(u' ', Qt::SkipEmptyParts);
        };
        QTest::newRow("read: merged, sorted in any case, _ before letters")
            << list("b_x A_Y a_b") << list("A_B c") << QStringList() << list("A_B A_Y b_x c")
            << list("a_b A_Y b_x");
        QTest::newRow("added in order, once per key")
            << list("B D") << QStringList() << list("+G:C +G:a +G:c +W:E") << list("a B C D E")
            << list("a B C D");
        QTest::newRow("a general topic that goes stays while an entry names it")
            << list("A B") << list("b") << list("-G:B -G:A") << list("b") << QStringList();
        QTest::newRow("an entry's ID that goes leaves the topic's spelling")
            << list("Ab") << list("AB") << list("-W:ab") << list("Ab") << list("Ab");
        QTest::newRow("taking an absent use changes nothing")
            << list("A") << QStringList() << list("-W:A -G:Z +G:a") << list("A") << list("A");
    }
    void theModelKeepsOneSortedRowPerId() {
        QFETCH(QStringList, general);
        QFETCH(QStringList, whatsThis);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, all);
        QFETCH(QStringList, generalList);
        TopicModel model;
        model.reset(general, whatsThis);
        apply(model, steps);
        QCOMPARE(rows(model), all);
        QCOMPARE(rows(*model.generalTopics()), generalList);
        for (const QString& id : all)
            QVERIFY(model.contains(id.toLower(), TopicModel::General) ||
                    model.contains(id.toUpper(), TopicModel::WhatsThis));
    }

    // Saving and deleting on one tab shows in every list at once, and a list
    // keeps the text it shows.
    void everyListFollowsTheTopics() {
        openNew();
        testenv::selectTab(*w, FrmMain::TabContentsFile);
        w->cbocftopicid->setEditText(QStringLiteral("typed"));
        for (const char* id : {"IDH_C", "IDH_A", "IDH_B"})
            saveTopic(QString::fromLatin1(id));
        const QStringList three = {QStringLiteral("IDH_A"), QStringLiteral("IDH_B"),
                                   QStringLiteral("IDH_C")};
        for (QComboBox* box : {w->cbotopicid, w->cbocftopicid, w->cbowttopicid})
            QCOMPARE(items(box), three);
        QCOMPARE(w->cbocftopicid->currentText(), QStringLiteral("typed"));

        // A What's This entry's own topic ID joins the What's This list only.
        testenv::selectTab(*w, FrmMain::TabWhatsThis);
        retype(w->cbowtform, QStringLiteral("frmMain"));
        retype(w->cbowtobject, QStringLiteral("cmdGo"));
        retype(w->cbowttopicid, QStringLiteral("IDH_0_GO"));
        retype(w->txtwtmapnumber, QStringLiteral("7"));
        retype(w->txtwthelptext, QStringLiteral("Go."));
        click(w->chkwtwthlp);
        click(w->cmdok);
        QCOMPARE(items(w->cbowttopicid), QStringList{QStringLiteral("IDH_0_GO")} + three);
        QCOMPARE(items(w->cbotopicid), three);

        // Deleting the entry takes its ID out again.
        retype(w->cbowtform, QStringLiteral("frmMain"));
        retype(w->cbowtobject, QStringLiteral("cmdGo"));
        retype(w->cbowttopicid, QStringLiteral("IDH_0_GO"));
        retype(w->txtwtmapnumber, QStringLiteral("7"));
        retype(w->txtwthelptext, QStringLiteral("Go."));
        click(w->chkwtwthlp);
        click(w->cmddelete);
        QCOMPARE(items(w->cbowttopicid), three);

        // A deleted topic leaves every list.
        testenv::selectTab(*w, FrmMain::TabGeneralHelp);
        QVERIFY(testenv::choose(w->cbotopicid, QStringLiteral("IDH_B")));
        click(w->cmddelete);
        const QStringList two = {QStringLiteral("IDH_A"), QStringLiteral("IDH_C")};
        for (QComboBox* box : {w->cbotopicid, w->cbocftopicid, w->cbowttopicid})
            QCOMPARE(items(box), two);
        QCOMPARE(w->cbocftopicid->currentText(), QStringLiteral("typed"));
    }

    // Menu item, toolbar button and push button of a command are one action,
    // enabled by the selected tab's rule; the status line says what OK needs.
    void commandsFollowTheSelectedTab_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<bool>("zoom");
        QTest::addColumn<QString>("needs");
        QTest::newRow("General Help") << int(FrmMain::TabGeneralHelp) << true
                                      << QStringLiteral("OK needs: Topic ID, Help Text.");
        QTest::newRow("Contents File") << int(FrmMain::TabContentsFile) << false << QString();
        QTest::newRow("Tool Tips") << int(FrmMain::TabToolTips) << false
                                   << QStringLiteral("OK needs: Form, Object, Tool Tip Text.");
        QTest::newRow("What's This?")
            << int(FrmMain::TabWhatsThis) << false << QStringLiteral("OK needs: Form, Object");
    }
    void commandsFollowTheSelectedTab() {
        QFETCH(int, tab);
        QFETCH(bool, zoom);
        QFETCH(QString, needs);
        openNew();
        testenv::selectTab(*w, tab);
        for (QAction* command : {w->mnusave, w->mnudelete})
            QVERIFY2(!command->isEnabled(), qPrintable(command->objectName()));
        QVERIFY(!w->cmdok->isEnabled() && !w->cmddelete->isEnabled());
        QCOMPARE(w->mnuzoom->isEnabled(), zoom);
        QCOMPARE(w->toolbarButtons[3], w->mnusave);
        QVERIFY(pending().startsWith(needs));
        // Triggered while off, the commands do nothing.
        m_dialogs.clear();
        for (QAction* command : {w->mnusave, w->mnudelete, w->mnucreate})
            command->trigger();
        QVERIFY(m_dialogs.messages.isEmpty());
        if (tab != FrmMain::TabGeneralHelp)
            return;
        retype(w->cbotopicid, QStringLiteral("IDH_X"));
        QVERIFY(pending().startsWith(QStringLiteral("OK needs: Help Text.")));
        retype(w->txtgenhelptext, QStringLiteral("Text"));
        QVERIFY(w->mnusave->isEnabled() && w->cmdok->isEnabled() && w->mnudelete->isEnabled());
        QVERIFY(!pending().contains(QStringLiteral("OK needs")));
    }

    // Changes that cannot be saved as they are are kept or discarded, with
    // the buttons saying so.
    void unsavableChangesAskDiscardOrCancel() {
        openNew();
        // A title and no help text: OK is off. (Typing a topic ID only finds a topic.)
        retype(w->cbotopicid, QStringLiteral("IDH_HALF"));
        retype(w->txttopictitle, QStringLiteral("Half"));
        for (int answer : {int(shell::vbCancel), int(shell::vbNo)}) {
            m_dialogs.clear();
            m_dialogs.answers = {answer};
            QCOMPARE(w->confirmAllChanges(), answer == shell::vbNo);
            QCOMPARE(m_dialogs.messages.size(), 1);
            QCOMPARE(m_dialogs.messages.at(0).flags & 0x7, int(shell::vbDiscardCancel));
            QVERIFY(m_dialogs.messages.at(0).text.endsWith(QStringLiteral("Discard them?")));
            QCOMPARE(w->txttopictitle->text(),
                     answer == shell::vbNo ? QString() : QStringLiteral("Half"));
        }
    }

    // The Tool Tips lists take the room a larger window gives them.
    void toolTipsListsGrowWithTheWindow() {
        openNew();
        testenv::selectTab(*w, FrmMain::TabToolTips);
        w->resize(800, 500);
        QTRY_COMPARE(w->width(), 800);
        QCoreApplication::processEvents();
        const int narrow = w->cbottform->width();
        w->resize(1500, 500);
        QTRY_COMPARE(w->width(), 1500);
        for (QWidget* field :
             std::initializer_list<QWidget*>{w->cbottform, w->cbottobject, w->txttooltiptext})
            QTRY_VERIFY2(field->width() > narrow + 500, qPrintable(field->objectName()));
    }

    // The title's * says that something is unsaved; the status line says
    // where, and a command's outcome does not outlive a tab change.
    void theStatusLineNamesTheTabsWithChanges() {
        openNew();
        retype(w->txttopictitle, QStringLiteral("X"));
        testenv::selectTab(*w, FrmMain::TabCreate);
        retype(w->txthelpprojecttitle, QStringLiteral("Title"));
        QVERIFY(w->isWindowModified());
        QVERIFY(pending().endsWith(QStringLiteral("Unsaved changes on: General Help, Create.")));
        w->statusBar()->showMessage(QStringLiteral("Create failed."));
        testenv::selectTab(*w, FrmMain::TabToolTips);
        QCOMPARE(w->statusBar()->currentMessage(), QString());
        testenv::selectTab(*w, FrmMain::TabGeneralHelp);
        click(w->cmdcancel);
        QVERIFY(pending().endsWith(QStringLiteral("Unsaved changes on: Create.")));
    }
};

QTEST_MAIN(TestTopicLists)
#include "tst_topiclists.moc"
