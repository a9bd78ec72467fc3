// Record editing in the main window: OK, Cancel, Delete and the enabling of
// the buttons on each tab, the topic lists, the Next buttons and the project
// options of the Create tab, on real project files opened by the window.
#include "common/project.h"
#include "common/testenv.h"
#include "common/window.h"

#include "shell/dialogs.h"
#include "ui/frmmain.h"
#include "ui/frmwindowsize.h"
#include "ui/tabs/createtab.h"
#include "workspace/filltemplate.h"
#include "workspace/records.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

using testenv::choose;
using testenv::click;
using testenv::countRows;
using testenv::items;
using testenv::retype;

namespace {

QString optionValue(dao::Database& db, const QString& key) {
    auto rs = db.OpenRecordset(
        SelectWhere(QStringLiteral("*"), QStringLiteral("options"), QStringLiteral("option"), key),
        dao::dbOpenSnapshot);
    return rs->EOF_() ? QStringLiteral("<none>") : rs->Text(QStringLiteral("Descr"));
}

} // namespace

class TestRecords : public QObject {
    Q_OBJECT

    testenv::RegistryFolder m_registry;
    QTemporaryDir m_dir;
    std::unique_ptr<testenv::Window> w;
    testenv::DialogScript m_dialogs;
    QList<shell::MessageRequest>& m_messages = m_dialogs.messages;

    // An application project file that exists (the window reads it when named).
    QString appProject() {
        const QString path = m_dir.filePath(QStringLiteral("Demo.vbp"));
        if (!QFileInfo::exists(path))
            testenv::writeAll(path, "Type=Exe\r\nStartup=\"Sub Main\"\r\n");
        return path;
    }

    QString newProjectFile() {
        return testenv::freshProjectFile(m_dir.filePath(QStringLiteral("p%1.QMT").arg(++m_made)));
    }
    int m_made = 0;

    // A window with a fresh project open, on the General Help tab.
    void openNew() {
        w = testenv::shownWindow();
        QVERIFY(w->DataBaseOpen(newProjectFile()));
        m_messages.clear();
    }

    dao::Database& db() { return *w->session().db; }

    void selectTab(int tab) {
        testenv::selectTab(*w, tab);
        QCOMPARE(w->SelectedTab(), tab);
    }

    void fillTopic(const QString& id, const QString& text, const QString& map = QString()) {
        retype(w->cbotopicid, id);
        retype(w->txtgenhelptext, text);
        retype(w->txtmapnumber, map);
    }

    // Form, control, topic, map number and text of the What's This tab.
    void fillWhatsThis(const QString& form, const QString& object, const QString& map) {
        retype(w->cbowtform, form);
        retype(w->cbowtobject, object);
        retype(w->cbowttopicid, QStringLiteral("IDH_") + object);
        retype(w->txtwtmapnumber, map);
        retype(w->txtwthelptext, QStringLiteral("Help on ") + object);
    }

private slots:
    void init();
    void cleanup();

    // General Help
    void okAndDeleteFollowTopicAndText();
    void newTopicJoinsTheThreeListsOnce();
    void chosenTopicSavedUnderANewId();
    void cancelClearsWithoutWriting();
    void helpTextLinesAreStoredWithWindowsLineEnds();
    void helpTextCodesArePreviewedAndWarnedAbout();
    void deleteRemovesTheTopicFromItsListAtOnce();
    void apostrophesInTopicAndObjectNames();

    // Tool Tips and What's This
    void toolTipSavedAndDeleted();
    void whatsThisNeedsAHelpTypeAndKeepsFormAndControl();

    // Create tab and options
    void createTabRulesWithWindowsHelp();
    void createTabRulesWithHtmlHelp();
    void contextHelpTicksProjectUpdate();
    void savingTheCreateTabAndReopening();
    void windowSizeIsSetStoredAndKept();
    void titleNamesTheProjectFile();

    // Map numbers
    void nextFollowsTheSharedCounter();
    void nextAtTheLimitKeepsTheBox();
    void nextWithoutProjectEmptiesTheBox();

    // Refusals and failures
    void badMapNumbersAreRefused_data();
    void badMapNumbersAreRefused();
    void inputsAreLimitedToTheirFields();
    void overlongObjectNameIsRefused();
    void storeFailureKeepsProjectAndControls();
};

void TestRecords::init() {
    openNew();
}

void TestRecords::cleanup() {
    w.reset();
}

// ---------------------------------------------------------------- General Help

void TestRecords::okAndDeleteFollowTopicAndText() {
    QVERIFY(!w->cmdok->isEnabled());
    retype(w->cbotopicid, QStringLiteral("IDH_START"));
    QVERIFY(!w->cmdok->isEnabled());
    retype(w->txtgenhelptext, QStringLiteral("Welcome"));
    QVERIFY(w->cmdok->isEnabled());
    QVERIFY(w->cmddelete->isEnabled());
    retype(w->cbotopicid, QString());
    QVERIFY(!w->cmdok->isEnabled());
    QVERIFY(!w->cmddelete->isEnabled());
    retype(w->cbotopicid, QStringLiteral("IDH_START"));
    QVERIFY(w->cmdok->isEnabled());
    retype(w->txtgenhelptext, QString());
    QVERIFY(!w->cmdok->isEnabled());
    QVERIFY(!w->cmddelete->isEnabled());

    // Delete follows the tab shown: off on an empty Tool Tips form after a
    // filled topic, and on again back on the topic.
    retype(w->txtgenhelptext, QStringLiteral("Welcome"));
    QVERIFY(w->cmddelete->isEnabled());
    selectTab(FrmMain::TabToolTips);
    QVERIFY(!w->cmddelete->isEnabled());
    selectTab(FrmMain::TabGeneralHelp);
    QCOMPARE(w->cmddelete->isEnabled(), !w->txtgenhelptext->toPlainText().isEmpty());
}

void TestRecords::newTopicJoinsTheThreeListsOnce() {
    fillTopic(QStringLiteral("IDH_A"), QStringLiteral("Text A"), QStringLiteral("0"));
    click(w->cmdok);
    QVERIFY(m_messages.isEmpty());
    for (QComboBox* box : {w->cbotopicid, w->cbocftopicid, w->cbowttopicid})
        QCOMPARE(items(box), QStringList{QStringLiteral("IDH_A")});
    // The other lists keep showing what they showed (nothing).
    QCOMPARE(w->cbocftopicid->currentText(), QString());
    QCOMPARE(w->cbowttopicid->currentText(), QString());
    // The tab is cleared and OK follows the emptied controls.
    QCOMPARE(w->cbotopicid->currentText(), QString());
    QCOMPARE(w->txtgenhelptext->toPlainText(), QString());
    QVERIFY(!w->cmdok->isEnabled());

    fillTopic(QStringLiteral("IDH_A"), QStringLiteral("Text A, again"), QStringLiteral("0"));
    click(w->cmdok);
    for (QComboBox* box : {w->cbotopicid, w->cbocftopicid, w->cbowttopicid})
        QCOMPARE(items(box), QStringList{QStringLiteral("IDH_A")});
    QCOMPARE(countRows(db(), QStringLiteral("select * from generalhelp")), 1);
    QCOMPARE(records::LoadGeneralHelp(db(), QStringLiteral("IDH_A"))->helpText,
             QStringLiteral("Text A, again"));
}

void TestRecords::chosenTopicSavedUnderANewId() {
    retype(w->cbotopicid, QStringLiteral("IDH_A"));
    retype(w->txttopictitle, QStringLiteral("Title A"));
    retype(w->txtbrowseseq, QStringLiteral("main:005"));
    retype(w->txtkeywords, QStringLiteral("alpha;beta"));
    retype(w->txttopicheader, QStringLiteral("Header A"));
    retype(w->txtmapnumber, QStringLiteral("17"));
    retype(w->txtgenhelptext, QStringLiteral("Body A"));
    click(w->cmdok);
    QVERIFY(m_messages.isEmpty());

    QVERIFY(choose(w->cbotopicid, QStringLiteral("IDH_A")));
    QCOMPARE(w->txttopictitle->text(), QStringLiteral("Title A"));
    QCOMPARE(w->txtbrowseseq->text(), QStringLiteral("main:005"));
    QCOMPARE(w->txtkeywords->text(), QStringLiteral("alpha;beta"));
    QCOMPARE(w->txttopicheader->text(), QStringLiteral("Header A"));
    QCOMPARE(w->txtmapnumber->text(), QStringLiteral("17"));
    QCOMPARE(w->txtgenhelptext->toPlainText(), QStringLiteral("Body A"));
    QVERIFY(w->cmdok->isEnabled());

    // Typing a new ID loads nothing: OK asks whether to rename the topic or
    // copy it; the copy takes the next free map number, not the topic's.
    retype(w->cbotopicid, QStringLiteral("IDH_B"));
    QCOMPARE(w->txttopictitle->text(), QStringLiteral("Title A"));
    m_dialogs.answers = {2}; // save as a new topic
    click(w->cmdok);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].text.section(u'\n', 0, 0),
             QStringLiteral("Rename IDH_A to IDH_B, or save as a new topic?"));
    const auto b = records::LoadGeneralHelp(db(), QStringLiteral("IDH_B"));
    QVERIFY(b);
    QCOMPARE(b->title, QStringLiteral("Title A"));
    QCOMPARE(b->browseSeq, QStringLiteral("main:005"));
    QCOMPARE(b->keywords, QStringLiteral("alpha;beta"));
    QCOMPARE(b->topicHeader, QStringLiteral("Header A"));
    QCOMPARE(b->mapNumber, QStringLiteral("18"));
    QCOMPARE(b->helpText, QStringLiteral("Body A"));
    QCOMPARE(items(w->cbotopicid), (QStringList{QStringLiteral("IDH_A"), QStringLiteral("IDH_B")}));
    QCOMPARE(countRows(db(), QStringLiteral("select * from generalhelp")), 2);

    // A number another topic has, typed for a new topic, is refused naming it.
    m_messages.clear();
    fillTopic(QStringLiteral("IDH_D"), QStringLiteral("Body D"), QStringLiteral("17"));
    click(w->cmdok);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].text.contains(u"map number 17 is already used by the topic IDH_A"),
             qPrintable(m_messages[0].text));
    QCOMPARE(countRows(db(), QStringLiteral("select * from generalhelp")), 2);
    click(w->cmdcancel);

    // Cancel keeps everything as typed; Rename moves the topic.
    QVERIFY(choose(w->cbotopicid, QStringLiteral("IDH_B")));
    retype(w->cbotopicid, QStringLiteral("IDH_C"));
    m_messages.clear();
    m_dialogs.answers = {3};
    click(w->cmdok);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(w->cbotopicid->currentText(), QStringLiteral("IDH_C"));
    QCOMPARE(w->txttopictitle->text(), QStringLiteral("Title A"));
    QVERIFY(!records::LoadGeneralHelp(db(), QStringLiteral("IDH_C")));
    m_dialogs.answers = {1};
    click(w->cmdok);
    QVERIFY(!records::LoadGeneralHelp(db(), QStringLiteral("IDH_B")));
    QTRY_COMPARE(w->statusBar()->currentMessage(),
                 QStringLiteral("Renamed IDH_B to IDH_C; 0 contents entries and 0 What's This "
                                "entries follow it."));
    QCOMPARE(records::LoadGeneralHelp(db(), QStringLiteral("IDH_C"))->mapNumber,
             QStringLiteral("18"));
    QCOMPARE(items(w->cbotopicid), (QStringList{QStringLiteral("IDH_A"), QStringLiteral("IDH_C")}));
    QCOMPARE(items(w->cbowttopicid), items(w->cbotopicid));
    QVERIFY(w->cbotopicid->currentText().isEmpty());
}

void TestRecords::helpTextLinesAreStoredWithWindowsLineEnds() {
    // Typed lines reach the project as CR LF, which the topic file turns into
    // paragraph marks, and come back as plain lines.
    retype(w->cbotopicid, QStringLiteral("IDH_LINES"));
    retype(w->txtmapnumber, QStringLiteral("3"));
    w->txtgenhelptext->setFocus();
    QTest::keyClicks(w->txtgenhelptext, QStringLiteral("first"));
    QTest::keyClick(w->txtgenhelptext, Qt::Key_Return);
    QTest::keyClicks(w->txtgenhelptext, QStringLiteral("second"));
    click(w->cmdok);
    QVERIFY(m_messages.isEmpty());
    const auto topic = records::LoadGeneralHelp(db(), QStringLiteral("IDH_LINES"));
    QVERIFY(topic);
    QCOMPARE(topic->helpText, QStringLiteral("first\r\nsecond"));

    QVERIFY(choose(w->cbotopicid, QStringLiteral("IDH_LINES")));
    QCOMPARE(w->txtgenhelptext->toPlainText(), QStringLiteral("first\nsecond"));
    click(w->cmdok);
    QCOMPARE(records::LoadGeneralHelp(db(), QStringLiteral("IDH_LINES"))->helpText,
             QStringLiteral("first\r\nsecond"));
}

void TestRecords::helpTextCodesArePreviewedAndWarnedAbout() {
    fillTopic(QStringLiteral("IDH_PATH"),
              QStringLiteral("{\\b Note:} install to C:\\Program Files\\App, not C:\\\\ok"));
    retype(w->txttopicheader, QStringLiteral("Installing"));
    // The preview shows the topic as its page will: the codes read, not shown.
    QTRY_VERIFY(w->txtgenpreview->toPlainText().startsWith(QStringLiteral("Installing")));
    QCOMPARE(w->txtgenpreview->toPlainText(),
             QStringLiteral("Installing\nNote: install to C:Files, not C:\\ok"));
    const QTextCursor note = w->txtgenpreview->document()->find(QStringLiteral("Note:"));
    QVERIFY(!note.isNull());
    QCOMPARE(note.charFormat().fontWeight(), int(QFont::Bold));

    // Before saving, the words to be lost are named: Go back keeps the topic
    // shown and stores nothing; Double the backslashes mends the paths only.
    QList<int>& answers = m_dialogs.answers;
    answers = {3};
    click(w->cmdok);
    QCOMPARE(m_messages.size(), 1);
    const shell::MessageRequest question = m_messages.first();
    QVERIFY2(question.text.startsWith(QStringLiteral("The topic IDH_PATH has a help text that")) &&
                 question.text.contains(QStringLiteral("\"\\Program\"")) &&
                 question.text.contains(QStringLiteral("\"\\App\"")) &&
                 !question.text.contains(QStringLiteral("ok")),
             qPrintable(question.text));
    QCOMPARE(question.buttons.size(), 3);
    QCOMPARE(countRows(db(), QStringLiteral("select * from GeneralHelp")), 0);
    QCOMPARE(w->cbotopicid->currentText(), QStringLiteral("IDH_PATH"));
    answers = {1};
    click(w->cmdok);
    QCOMPARE(records::LoadGeneralHelp(db(), QStringLiteral("IDH_PATH"))->helpText,
             QStringLiteral("{\\b Note:} install to C:\\\\Program Files\\\\App, not C:\\\\ok"));
    // Save as typed keeps the text; a brace left open cannot be mended by doubling.
    fillTopic(QStringLiteral("IDH_BRACE"), QStringLiteral("{open C:\\Temp"));
    m_messages.clear();
    answers = {2};
    click(w->cmdok);
    QCOMPARE(m_messages.first().buttons.size(), 3);
    QCOMPARE(records::LoadGeneralHelp(db(), QStringLiteral("IDH_BRACE"))->helpText,
             QStringLiteral("{open C:\\Temp"));
    fillTopic(QStringLiteral("IDH_OPEN"), QStringLiteral("{open"));
    m_messages.clear();
    click(w->cmdok);
    QCOMPARE(m_messages.first().buttons,
             (QStringList{QStringLiteral("Save as &typed"), QStringLiteral("&Go back")}));
    QVERIFY(records::LoadGeneralHelp(db(), QStringLiteral("IDH_OPEN")));
}

void TestRecords::cancelClearsWithoutWriting() {
    fillTopic(QStringLiteral("IDH_C"), QStringLiteral("Text"), QStringLiteral("3"));
    retype(w->txttopictitle, QStringLiteral("Title"));
    click(w->cmdcancel);
    QCOMPARE(w->cbotopicid->currentText(), QString());
    QCOMPARE(w->txttopictitle->text(), QString());
    QCOMPARE(w->txtmapnumber->text(), QString());
    QVERIFY(!w->cmdok->isEnabled());
    QCOMPARE(countRows(db(), QStringLiteral("select * from generalhelp")), 0);

    // On the What's This tab the form and control stay.
    selectTab(FrmMain::TabWhatsThis);
    fillWhatsThis(QStringLiteral("frmMain"), QStringLiteral("cmdGo"), QStringLiteral("4"));
    click(w->chkwtconsenhlp);
    click(w->cmdcancel);
    QCOMPARE(w->cbowtform->currentText(), QStringLiteral("frmMain"));
    QCOMPARE(w->cbowtobject->currentText(), QStringLiteral("cmdGo"));
    QCOMPARE(w->txtwtmapnumber->text(), QString());
    QVERIFY(!w->chkwtconsenhlp->isChecked());
    QCOMPARE(countRows(db(), QStringLiteral("select * from whatsthis")), 0);
}

void TestRecords::deleteRemovesTheTopicFromItsListAtOnce() {
    for (const QString& id : {QStringLiteral("IDH_KEEP"), QStringLiteral("IDH_GONE")}) {
        fillTopic(id, QStringLiteral("Text"), QStringLiteral("0"));
        click(w->cmdok);
    }
    QVERIFY(choose(w->cbotopicid, QStringLiteral("IDH_GONE")));
    QVERIFY(w->cmddelete->isEnabled());
    click(w->cmddelete);
    QCOMPARE(items(w->cbotopicid), QStringList{QStringLiteral("IDH_KEEP")});
    // Every topic list loses it at once.
    QCOMPARE(items(w->cbocftopicid), QStringList{QStringLiteral("IDH_KEEP")});
    QCOMPARE(items(w->cbowttopicid), QStringList{QStringLiteral("IDH_KEEP")});
    QVERIFY(!records::LoadGeneralHelp(db(), QStringLiteral("IDH_GONE")));
    QVERIFY(records::LoadGeneralHelp(db(), QStringLiteral("IDH_KEEP")));
    QCOMPARE(w->cbotopicid->currentText(), QString());
    QCOMPARE(w->txtgenhelptext->toPlainText(), QString());

    // Delete on the Contents File tab does nothing, even if still enabled.
    fillTopic(QStringLiteral("IDH_KEEP"), QStringLiteral("Text"));
    QVERIFY(w->cmddelete->isEnabled());
    w->tabqmt->setCurrentIndex(FrmMain::TabContentsFile - 1);
    w->cmddelete_Click();
    QVERIFY(records::LoadGeneralHelp(db(), QStringLiteral("IDH_KEEP")));
}

void TestRecords::apostrophesInTopicAndObjectNames() {
    const QString id = QStringLiteral("IDH_Bob's");
    fillTopic(id, QStringLiteral("It's here"), QStringLiteral("2"));
    click(w->cmdok);
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.value(0).text));
    QCOMPARE(items(w->cbotopicid), QStringList{id});
    QVERIFY(choose(w->cbotopicid, id));
    QCOMPARE(w->txtgenhelptext->toPlainText(), QStringLiteral("It's here"));
    click(w->cmddelete);
    QCOMPARE(countRows(db(), QStringLiteral("select * from generalhelp")), 0);
    QVERIFY(items(w->cbotopicid).isEmpty());
    m_messages.clear(); // the question naming the topic

    selectTab(FrmMain::TabToolTips);
    retype(w->cbottform, QStringLiteral("frm'Main"));
    retype(w->cbottobject, QStringLiteral("cmd'Go"));
    retype(w->txttooltiptext, QStringLiteral("Go'"));
    click(w->cmdok);
    QVERIFY(m_messages.isEmpty());
    auto rs = db().OpenRecordset(QStringLiteral("select * from tooltips"), dao::dbOpenSnapshot);
    QCOMPARE(rs->Text(QStringLiteral("Object")), QStringLiteral("frm'Main.cmd'Go"));
}

// ---------------------------------------------------------------- Tool Tips and What's This

void TestRecords::toolTipSavedAndDeleted() {
    selectTab(FrmMain::TabToolTips);
    retype(w->cbottform, QStringLiteral("frmMain"));
    retype(w->cbottobject, QStringLiteral("cmdGo"));
    QVERIFY(!w->cmdok->isEnabled());
    retype(w->txttooltiptext, QStringLiteral("Starts it"));
    QVERIFY(w->cmdok->isEnabled());
    click(w->cmdok);
    QCOMPARE(w->cbottform->currentText(), QStringLiteral("frmMain")); // kept for the next tip
    QCOMPARE(w->cbottobject->currentText(), QString());
    QCOMPARE(w->txttooltiptext->text(), QString());
    QCOMPARE(countRows(db(), QStringLiteral("select * from tooltips")), 1);

    retype(w->cbottobject, QStringLiteral("cmdGo"));
    retype(w->txttooltiptext, QStringLiteral("anything"));
    m_dialogs.answers = {shell::vbCancel};
    click(w->cmddelete);
    QCOMPARE(countRows(db(), QStringLiteral("select * from tooltips")), 1);
    QCOMPARE(m_messages.last().text, QStringLiteral("Delete the tool tip of frmMain.cmdGo? It is "
                                                    "removed from the project at once."));
    click(w->cmddelete);
    QCOMPARE(countRows(db(), QStringLiteral("select * from tooltips")), 0);
    QCOMPARE(w->cbottobject->currentText(), QString());
    QCOMPARE(w->statusBar()->currentMessage(),
             QStringLiteral("Deleted the tool tip of frmMain.cmdGo."));
}

void TestRecords::whatsThisNeedsAHelpTypeAndKeepsFormAndControl() {
    selectTab(FrmMain::TabWhatsThis);
    fillWhatsThis(QStringLiteral("frmMain"), QStringLiteral("cmdGo"), QStringLiteral("5"));
    QVERIFY(!w->cmdok->isEnabled());
    click(w->chkwtwthlp);
    QVERIFY(w->cmdok->isEnabled());
    QVERIFY(w->cmddelete->isEnabled());
    click(w->chkwtwthlp);
    QVERIFY(!w->cmdok->isEnabled());
    click(w->chkwtconsenhlp);
    click(w->chkwtwthlp);
    click(w->cmdok);
    QVERIFY(m_messages.isEmpty());

    QCOMPARE(w->cbowtform->currentText(), QStringLiteral("frmMain"));
    QCOMPARE(w->cbowtobject->currentText(), QStringLiteral("cmdGo"));
    QCOMPARE(w->txtwtmapnumber->text(), QString());
    QCOMPARE(w->txtwthelptext->toPlainText(), QString());
    QCOMPARE(w->cbowttopicid->currentText(), QString());
    QVERIFY(!w->chkwtconsenhlp->isChecked());
    QVERIFY(!w->chkwtwthlp->isChecked());
    QVERIFY(!w->cmdok->isEnabled());

    auto rs = db().OpenRecordset(QStringLiteral("select * from whatsthis"), dao::dbOpenSnapshot);
    QCOMPARE(rs->Text(QStringLiteral("Object")), QStringLiteral("frmMain.cmdGo"));
    QCOMPARE(rs->Text(QStringLiteral("Type")), QStringLiteral("Both"));
    QCOMPARE(rs->Text(QStringLiteral("TopicID")), QStringLiteral("IDH_cmdGo"));
    QCOMPARE(rs->Field(QStringLiteral("MapNumber")).toInt(), 5);
    rs.reset();
    QCOMPARE(optionValue(db(), QStringLiteral("LMAP")), QStringLiteral("5"));

    // The next control of the same form goes in straight away.
    retype(w->cbowtobject, QStringLiteral("cmdStop"));
    retype(w->cbowttopicid, QStringLiteral("IDH_STOP"));
    retype(w->txtwtmapnumber, QStringLiteral("6"));
    retype(w->txtwthelptext, QStringLiteral("Stops"));
    click(w->chkwtwthlp);
    click(w->cmdok);
    QCOMPARE(countRows(db(), QStringLiteral("select * from whatsthis")), 2);
}

// ---------------------------------------------------------------- Create tab

void TestRecords::createTabRulesWithWindowsHelp() {
    selectTab(FrmMain::TabCreate);
    click(w->opthelptype[1]);
    retype(w->txthelpprojecttitle, QStringLiteral("Demo"));
    retype(w->txthelpprojectfilename, QStringLiteral("/d/demo.hpj"));
    retype(w->txthelpfilename, QStringLiteral("/d/demo.hlp"));
    retype(w->txtrtffilename, QStringLiteral("/d/demo.rtf"));
    retype(w->txtcontentsfilename, QString());
    retype(w->txtvbprojectfilename, QString());
    w->setFocus(); // leaving the contents file name re-evaluates

    click(w->chkcreatecontentsfile);
    QVERIFY(!w->cmdok->isEnabled());
    QVERIFY(!w->cmdcreate->isEnabled());
    click(w->chkcreatecontentsfile);

    // Only tool tips, with an application project file name.
    click(w->chkcreatetooltips);
    QVERIFY(!w->cmdcreate->isEnabled());
    retype(w->txtvbprojectfilename, appProject());
    click(w->chkcreatetooltips); // clicks re-evaluate
    click(w->chkcreatetooltips);
    QVERIFY(w->cmdok->isEnabled());
    QVERIFY(w->cmdcreate->isEnabled());
    QVERIFY(!w->cmddelete->isEnabled());
    click(w->chkcreatetooltips);
    QVERIFY(!w->cmdcreate->isEnabled());

    // General help and contents file: the contents file name is needed.
    click(w->chkcreategeneralhelp);
    QVERIFY(w->cmdcreate->isEnabled());
    click(w->chkcreatecontentsfile);
    QVERIFY(!w->cmdok->isEnabled());
    retype(w->txtcontentsfilename, QStringLiteral("/d/demo.cnt"));
    w->setFocus();
    QVERIFY(w->cmdok->isEnabled());
    QVERIFY(w->cmdcreate->isEnabled());
    retype(w->txthelpprojecttitle, QString());
    QVERIFY(!w->cmdcreate->isEnabled());
    QVERIFY(!w->cmddelete->isEnabled());
}

void TestRecords::createTabRulesWithHtmlHelp() {
    selectTab(FrmMain::TabCreate);
    click(w->opthelptype[0]);
    QVERIFY(w->txtindexfilename->isEnabled());
    QLineEdit* const names[] = {w->txthelpprojectfilename, w->txthelpfilename,
                                w->txtcontentsfilename, w->txtindexfilename};
    for (QLineEdit* name : names)
        retype(name, QStringLiteral("/h/") + name->objectName());
    w->setFocus();
    QVERIFY(w->cmdok->isEnabled());
    QVERIFY(w->cmdcreate->isEnabled());
    for (QLineEdit* name : names) {
        retype(name, QString());
        w->setFocus();
        QVERIFY2(!w->cmdcreate->isEnabled(), qPrintable(name->objectName()));
        retype(name, QStringLiteral("/h/x"));
        w->setFocus();
        QVERIFY(w->cmdcreate->isEnabled());
    }
}

void TestRecords::contextHelpTicksProjectUpdate() {
    selectTab(FrmMain::TabCreate);
    QVERIFY(!w->chkvbproject->isChecked());
    click(w->chkcreatecontextsensitivehelp);
    QVERIFY(w->chkvbproject->isChecked());
    click(w->chkcreatecontextsensitivehelp); // clearing it leaves the box ticked
    QVERIFY(!w->chkcreatecontextsensitivehelp->isChecked());
    QVERIFY(w->chkvbproject->isChecked());
}

void TestRecords::savingTheCreateTabAndReopening() {
    const QString path = w->session().projectPath;
    selectTab(FrmMain::TabCreate);
    click(w->opthelptype[1]);
    retype(w->txtvbprojectfilename, appProject());
    retype(w->txthelpprojectfilename, QStringLiteral("/apps/demo/Demo.hpj"));
    retype(w->txthelpprojecttitle, QStringLiteral("Demo's Help"));
    retype(w->txthelpfilename, QStringLiteral("/apps/demo/Demo.hlp"));
    retype(w->txtcontentsfilename, QStringLiteral("/apps/demo/Demo.cnt"));
    retype(w->txtrtffilename, QStringLiteral("/apps/demo/Demo.rtf"));
    click(w->chkcreategeneralhelp);
    click(w->chkcreatecontentsfile);
    click(w->chkcompile);
    QVERIFY(w->cmdok->isEnabled());
    click(w->cmdok);
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.value(0).text));
    // The tab keeps its values.
    QCOMPARE(w->txthelpprojecttitle->text(), QStringLiteral("Demo's Help"));

    QCOMPARE(countRows(db(), QStringLiteral("select * from options")), 18);
    QCOMPARE(optionValue(db(), QStringLiteral("WINT")), QStringLiteral("98"));
    QCOMPARE(optionValue(db(), QStringLiteral("WINW")), QStringLiteral("769"));
    QCOMPARE(optionValue(db(), QStringLiteral("WINL")), QStringLiteral("240"));
    QCOMPARE(optionValue(db(), QStringLiteral("WINH")), QStringLiteral("547"));
    QCOMPARE(optionValue(db(), QStringLiteral("WHLP")), QStringLiteral("True"));
    QCOMPARE(optionValue(db(), QStringLiteral("HTMH")), QStringLiteral("False"));
    QCOMPARE(optionValue(db(), QStringLiteral("CRCF")), QStringLiteral("1"));
    QCOMPARE(optionValue(db(), QStringLiteral("CRTT")), QStringLiteral("0"));

    // A fresh window opening the project shows what was saved.
    w = testenv::shownWindow();
    QVERIFY(w->DataBaseOpen(path));
    QCOMPARE(w->txtvbprojectfilename->text(), appProject());
    QCOMPARE(w->session().appProjectPath, appProject());
    QCOMPARE(w->txthelpprojectfilename->text(), QStringLiteral("/apps/demo/Demo.hpj"));
    QCOMPARE(w->txthelpfilename->text(), QStringLiteral("/apps/demo/Demo.hlp"));
    QCOMPARE(w->txtcontentsfilename->text(), QStringLiteral("/apps/demo/Demo.cnt"));
    QCOMPARE(w->txtrtffilename->text(), QStringLiteral("/apps/demo/Demo.rtf"));
    QCOMPARE(w->windowTitle(),
             QStringLiteral("Quillmate - %1[*] - Demo's Help").arg(QFileInfo(path).fileName()));
    QVERIFY(!w->isWindowModified());
    QCOMPARE(w->SelectedTab(), int(FrmMain::TabGeneralHelp));
    QVERIFY(w->cmdcreate->isEnabled()); // the stored settings allow it, whatever the tab
    QVERIFY(w->chkcreategeneralhelp->isChecked());
    QVERIFY(w->chkcreatecontentsfile->isChecked());
    QVERIFY(!w->chkcreatetooltips->isChecked());
    QVERIFY(w->chkcompile->isChecked());
    QVERIFY(w->opthelptype[1]->isChecked());
    QVERIFY(!w->opthelptype[0]->isChecked());
    QVERIFY(!w->txtindexfilename->isEnabled());
    QVERIFY(!w->cmdindexfilebrowse->isEnabled());
    QVERIFY(w->txtrtffilename->isEnabled());
    QVERIFY(w->cmdrtffilebrowse->isEnabled());
    QCOMPARE(w->session().window.top, QStringLiteral("98")); // reset after the rows
    QCOMPARE(w->session().window.width, QStringLiteral("769"));
}

// Answers the Window Size dialog once it shows: new values and OK, or Cancel.
static void answerWindowSize(std::optional<std::array<int, 4>> values) {
    QTimer::singleShot(0, [values] {
        auto* dialog = qobject_cast<FrmWindowSize*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (!values) {
            dialog->reject();
            return;
        }
        const auto [left, top, width, height] = *values;
        dialog->txtwinleft->setValue(left);
        dialog->txtwintop->setValue(top);
        dialog->txtwinwidth->setValue(width);
        dialog->txtwinheight->setValue(height);
        dialog->accept();
    });
}

void TestRecords::windowSizeIsSetStoredAndKept() {
    const QString path = w->session().projectPath;
    selectTab(FrmMain::TabCreate);
    click(w->opthelptype[1]);
    retype(w->txthelpprojectfilename, QStringLiteral("/apps/demo/Demo.hpj"));
    retype(w->txthelpprojecttitle, QStringLiteral("Demo"));
    retype(w->txthelpfilename, QStringLiteral("/apps/demo/Demo.hlp"));
    retype(w->txtrtffilename, QStringLiteral("/apps/demo/Demo.rtf"));
    click(w->chkcreategeneralhelp);
    click(w->cmdok);
    QCOMPARE(w->txtwinsize->text(), QStringLiteral("pos(240,98) size(769,547)"));
    QVERIFY(!w->isWindowModified());

    answerWindowSize(std::nullopt); // Cancel changes nothing
    click(w->cmdwinsize);
    QCOMPARE(w->txtwinsize->text(), QStringLiteral("pos(240,98) size(769,547)"));
    QVERIFY(!w->isWindowModified());

    answerWindowSize(std::array{10, 20, 300, 1024});
    click(w->cmdwinsize);
    QCOMPARE(w->txtwinsize->text(), QStringLiteral("pos(10,20) size(300,1024)"));
    QVERIFY(w->isWindowModified()); // unsaved until OK
    QVERIFY(w->cmdok->isEnabled());
    click(w->cmdok);
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.value(0).text));
    for (const auto& [key, value] : {std::pair{"WINL", "10"}, std::pair{"WINT", "20"},
                                     std::pair{"WINW", "300"}, std::pair{"WINH", "1024"}})
        QCOMPARE(optionValue(db(), QLatin1String(key)), QLatin1String(value));

    // Kept across opens, and the dialog starts from it.
    w = testenv::shownWindow();
    QVERIFY(w->DataBaseOpen(path));
    QCOMPARE(w->txtwinsize->text(), QStringLiteral("pos(10,20) size(300,1024)"));
    QCOMPARE(w->createTab().createSettings().window.width, QStringLiteral("300"));
    selectTab(FrmMain::TabCreate);
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<FrmWindowSize*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QCOMPARE(dialog->geometry().text(), QStringLiteral("pos(10,20) size(300,1024)"));
        dialog->reject();
    });
    click(w->cmdwinsize);
}

void TestRecords::titleNamesTheProjectFile() {
    selectTab(FrmMain::TabCreate);
    click(w->opthelptype[0]);
    retype(w->txthelpprojecttitle, QStringLiteral("First"));
    for (QLineEdit* name : {w->txthelpprojectfilename, w->txthelpfilename, w->txtcontentsfilename,
                            w->txtindexfilename})
        retype(name, QStringLiteral("/h/x"));
    w->setFocus();
    click(w->cmdok);
    QVERIFY(w->DataBaseOpen(w->session().projectPath));
    const auto titleOf = [this](const QString& helpTitle) {
        return QStringLiteral("Quillmate - %1[*]%2")
            .arg(QFileInfo(w->session().projectPath).fileName(), helpTitle);
    };
    QCOMPARE(w->windowTitle(), titleOf(QStringLiteral(" - First")));
    QVERIFY(w->txtindexfilename->isEnabled()); // HTML Help was saved
    QVERIFY(!w->txtrtffilename->isEnabled());

    // A project without a title is named by its file alone: the other
    // project's title would name the wrong help.
    QVERIFY(w->DataBaseOpen(newProjectFile()));
    QCOMPARE(w->windowTitle(), titleOf(QString()));
    QCOMPARE(w->txthelpprojecttitle->text(), QString());
}

// ---------------------------------------------------------------- map numbers

void TestRecords::nextFollowsTheSharedCounter() {
    click(w->cmdghnextmapnum);
    QCOMPARE(w->txtmapnumber->text(), QStringLiteral("1"));
    fillTopic(QStringLiteral("IDH_40"), QStringLiteral("t"), QStringLiteral("40"));
    click(w->cmdok);
    QCOMPARE(optionValue(db(), QStringLiteral("LMAP")), QStringLiteral("40"));
    fillTopic(QStringLiteral("IDH_12"), QStringLiteral("t"), QStringLiteral("12"));
    click(w->cmdok);
    QCOMPARE(optionValue(db(), QStringLiteral("LMAP")), QStringLiteral("40"));

    retype(w->txtmapnumber, QStringLiteral("999"));
    click(w->cmdghnextmapnum); // the proposal replaces the text
    QCOMPARE(w->txtmapnumber->text(), QStringLiteral("41"));
    selectTab(FrmMain::TabWhatsThis);
    click(w->cmdwtnextmapnum);
    QCOMPARE(w->txtwtmapnumber->text(), QStringLiteral("41"));

    fillWhatsThis(QStringLiteral("frmMain"), QStringLiteral("cmdGo"), QStringLiteral("41"));
    click(w->chkwtconsenhlp);
    click(w->cmdok);
    click(w->cmdwtnextmapnum);
    QCOMPARE(w->txtwtmapnumber->text(), QStringLiteral("42"));
    selectTab(FrmMain::TabGeneralHelp);
    click(w->cmdghnextmapnum);
    QCOMPARE(w->txtmapnumber->text(), QStringLiteral("42"));
}

void TestRecords::nextAtTheLimitKeepsTheBox() {
    fillTopic(QStringLiteral("IDH_LAST"), QStringLiteral("t"), QStringLiteral("32767"));
    click(w->cmdok);
    QVERIFY(m_messages.isEmpty());
    retype(w->txtmapnumber, QStringLiteral("5"));
    click(w->cmdghnextmapnum);
    QCOMPARE(w->txtmapnumber->text(), QStringLiteral("5"));
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(m_messages.first().text.contains(QStringLiteral("No map number is left")));
    selectTab(FrmMain::TabWhatsThis);
    click(w->cmdwtnextmapnum);
    QCOMPARE(w->txtwtmapnumber->text(), QString());
    QCOMPARE(m_messages.size(), 2);
}

void TestRecords::nextWithoutProjectEmptiesTheBox() {
    w = testenv::shownWindow();
    retype(w->txtmapnumber, QStringLiteral("8"));
    click(w->cmdghnextmapnum);
    QCOMPARE(w->txtmapnumber->text(), QString());
    QVERIFY(m_messages.isEmpty());
}

// ---------------------------------------------------------------- refusals and failures

void TestRecords::badMapNumbersAreRefused_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("mapNumber");
    QTest::newRow("general help, letters") << int(FrmMain::TabGeneralHelp) << "ten";
    QTest::newRow("general help, too large") << int(FrmMain::TabGeneralHelp) << "32768";
    QTest::newRow("what's this, letters") << int(FrmMain::TabWhatsThis) << "1x";
    QTest::newRow("what's this, negative") << int(FrmMain::TabWhatsThis) << "-4";
}

void TestRecords::badMapNumbersAreRefused() {
    QFETCH(int, tab);
    QFETCH(QString, mapNumber);
    if (tab == FrmMain::TabGeneralHelp) {
        fillTopic(QStringLiteral("IDH_X"), QStringLiteral("text"), mapNumber);
    } else {
        selectTab(tab);
        fillWhatsThis(QStringLiteral("frmMain"), QStringLiteral("cmdGo"), mapNumber);
        click(w->chkwtwthlp);
    }
    QVERIFY(w->cmdok->isEnabled());
    click(w->cmdok);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.first().text.contains(QStringLiteral("Topic Map Number")),
             qPrintable(m_messages.first().text));
    // Nothing stored, nothing cleared.
    QCOMPARE(countRows(db(), QStringLiteral("select * from generalhelp")), 0);
    QCOMPARE(countRows(db(), QStringLiteral("select * from whatsthis")), 0);
    QCOMPARE(countRows(db(), QStringLiteral("select * from options")), 0);
    if (tab == FrmMain::TabGeneralHelp) {
        QCOMPARE(w->cbotopicid->currentText(), QStringLiteral("IDH_X"));
        QCOMPARE(w->txtmapnumber->text(), mapNumber);
        QVERIFY(items(w->cbotopicid).isEmpty());
    } else {
        QCOMPARE(w->txtwtmapnumber->text(), mapNumber);
        QVERIFY(w->chkwtwthlp->isChecked());
    }
}

void TestRecords::inputsAreLimitedToTheirFields() {
    const QString longText(120, QLatin1Char('x'));
    retype(w->cbotopicid, longText);
    retype(w->txttopictitle, longText);
    retype(w->txtbrowseseq, longText);
    retype(w->txttopicheader, longText);
    retype(w->txtgenhelptext, QStringLiteral("t"));
    QCOMPARE(w->cbotopicid->currentText().size(), 50);
    QCOMPARE(w->txttopictitle->text().size(), 50);
    QCOMPARE(w->txtbrowseseq->text().size(), 50);
    QCOMPARE(w->txttopicheader->text().size(), 100);
    // The status line says when a box is full, and how much room is left near the end.
    QCOMPARE(w->statusBar()->currentMessage(),
             QStringLiteral("Topic Header is full: it holds at most 100 characters."));
    retype(w->txttopictitle, QString(45, QLatin1Char('t')));
    QCOMPARE(w->statusBar()->currentMessage(),
             QStringLiteral("Topic Title: 5 of 50 characters left."));
    retype(w->txttopictitle, longText);
    retype(w->txtmapnumber, QStringLiteral("0"));
    click(w->cmdok);
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.value(0).text));
    QCOMPARE(records::LoadGeneralHelp(db(), QString(50, QLatin1Char('x')))->topicHeader.size(),
             100);
}

void TestRecords::overlongObjectNameIsRefused() {
    selectTab(FrmMain::TabToolTips);
    const QString form(60, QLatin1Char('f'));
    const QString object(40, QLatin1Char('c'));
    retype(w->cbottform, form);
    retype(w->cbottobject, object);
    retype(w->txttooltiptext, QStringLiteral("tip"));
    click(w->cmdok);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(m_messages.first().text.contains(QStringLiteral("100 characters")));
    QCOMPARE(countRows(db(), QStringLiteral("select * from tooltips")), 0);
    QCOMPARE(w->cbottobject->currentText(), object);
    QCOMPARE(w->txttooltiptext->text(), QStringLiteral("tip"));
    // One character less fits.
    retype(w->cbottobject, object.left(39));
    click(w->cmdok);
    QCOMPARE(countRows(db(), QStringLiteral("select * from tooltips")), 1);
}

void TestRecords::storeFailureKeepsProjectAndControls() {
    // Another user of the file holds its write lock: the store refuses.
    auto other = dao::Database::OpenDatabase(w->session().projectPath);
    other->BeginTrans();
    records::SaveToolTip(*other,
                         {QStringLiteral("frmA"), QStringLiteral("cmdA"), QStringLiteral("t")});

    fillTopic(QStringLiteral("IDH_LOCKED"), QStringLiteral("text"), QStringLiteral("9"));
    click(w->cmdok);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(
        m_messages.first().text.startsWith(QStringLiteral("The command could not be completed")));
    QCOMPARE(w->cbotopicid->currentText(), QStringLiteral("IDH_LOCKED"));
    QCOMPARE(w->txtgenhelptext->toPlainText(), QStringLiteral("text"));
    QVERIFY(items(w->cbotopicid).isEmpty());
    other->Rollback();
    other->Close();

    QCOMPARE(countRows(db(), QStringLiteral("select * from generalhelp")), 0);
    QCOMPARE(countRows(db(), QStringLiteral("select * from options")), 0);
    // Once the lock is gone the same OK stores the topic.
    click(w->cmdok);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(countRows(db(), QStringLiteral("select * from generalhelp")), 1);
    QCOMPARE(optionValue(db(), QStringLiteral("LMAP")), QStringLiteral("9"));
}

QTEST_MAIN(TestRecords)
#include "tst_records.moc"
