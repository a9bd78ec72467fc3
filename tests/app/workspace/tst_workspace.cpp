// Record editing without a window: the enabling rules, the records of the
// General Help, Tool Tips and What's This tabs, the project options and the
// map-number counter, against real project files.
#include "common/project.h"
#include "common/testenv.h"

#include "resources/stringids.h"
#include "workspace/checkforok.h"
#include "workspace/filltemplate.h"
#include "workspace/mapnumbers.h"
#include "workspace/options.h"
#include "workspace/records.h"
#include "workspace/textrules.h"

#include <QtTest>
#include <functional>

using namespace records;
using testenv::countRows;

namespace {

// The Descr of an option row, or no value without a row.
std::optional<QString> optionValue(dao::Database& db, const QString& key) {
    auto rs = db.OpenRecordset(
        SelectWhere(QStringLiteral("*"), QStringLiteral("options"), QStringLiteral("option"), key),
        dao::dbOpenSnapshot);
    if (rs->EOF_())
        return std::nullopt;
    return rs->Text(QStringLiteral("Descr"));
}

GeneralHelpRecord topic(const QString& id, const QString& map = QStringLiteral("0")) {
    GeneralHelpRecord r;
    r.topicId = id;
    r.title = QStringLiteral("Title of ") + id;
    r.browseSeq = QStringLiteral("seq:010");
    r.keywords = QStringLiteral("alpha;beta");
    r.topicHeader = QStringLiteral("Header of ") + id;
    r.helpText = QStringLiteral("Line one\r\nLine two");
    r.mapNumber = map;
    return r;
}

WhatsThisRecord whatsThis(const QString& form, const QString& object, const QString& map,
                          int cons = 1, int wt = 0) {
    WhatsThisRecord r;
    r.form = form;
    r.object = object;
    r.topicId = QStringLiteral("IDH_") + object;
    r.mapNumber = map;
    r.helpText = QStringLiteral("Help for ") + object;
    r.contextSensitive = cons;
    r.whatsThis = wt;
    return r;
}

CreateSettings createValues() {
    CreateSettings v;
    v.vbProjectFileName = QStringLiteral("/apps/demo/Demo.vbp");
    v.helpProjectFileName = QStringLiteral("/apps/demo/Demo.HPJ");
    v.helpProjectTitle = QStringLiteral("Demo Help");
    v.helpFileName = QStringLiteral("/apps/demo/Demo.HLP");
    v.contentsFileName = QStringLiteral("/apps/demo/Demo.CNT");
    v.rtfFileName = QStringLiteral("/apps/demo/Demo.rtf");
    v.createGeneralHelp = 1;
    v.createContentsFile = 0;
    v.createToolTips = 2;
    v.createContextSensitiveHelp = 1;
    v.vbProject = 1;
    v.helpType = HelpType::WindowsHelp;
    v.compile = 1;
    return v;
}

} // namespace

class TestWorkspace : public QObject {
    Q_OBJECT

    testenv::RegistryFolder m_registry;
    QTemporaryDir m_dir;

    std::unique_ptr<dao::Database> newProject() {
        return testenv::freshProject(m_dir.filePath(QStringLiteral("p%1.QMT").arg(++m_made)));
    }
    int m_made = 0;

private slots:
    // ---- enabling rules
    void generalHelpNeedsTopicAndText_data();
    void generalHelpNeedsTopicAndText();
    void contentsFileRule_data();
    void contentsFileRule();
    void toolTipsNeedAllThree();
    void whatsThisNeedsTextsAndAHelpType_data();
    void whatsThisNeedsTextsAndAHelpType();
    void createTabWindowsHelp_data();
    void createTabWindowsHelp();
    void createTabHtmlHelp();

    // ---- map numbers
    void roomLeftNote_data();
    void roomLeftNote();
    void doubleStrayBackslashes_data();
    void doubleStrayBackslashes();
    void parseMapNumber_data();
    void parseMapNumber();
    void contextStringCharacters_data();
    void contextStringCharacters();
    void counterStartsAtOneAndFollowsSaves();
    void counterGrowsOnly();
    void bothTabsShareTheCounter();
    void counterAtTheLimitProposesBeyondIt();
    void unreadableCounterCountsAsZero();

    // ---- records
    void generalHelpNewThenExisting();
    void generalHelpLoad();
    void generalHelpRefusedRecordsStoreNothing_data();
    void generalHelpRefusedRecordsStoreNothing();
    void aTopicHasOneMapNumber();
    void twoTopicsCannotShareAMapNumber();
    void renameCarriesTheReferencesAlong();
    void refusedRenameChangesNothing();
    void storeRefusalLeavesNoCounter();
    void toolTipKeyAndLength();
    void whatsThisTypeAndStatus();
    void whatsThisRefusals();
    void deleteRemovesOnlyTheRowAndKeepsTheCounter();
    void apostrophesAreStoredAndFound();

    // ---- options
    void updateOptionsAddsThenChanges();
    void updateOptionsWithEmptyValueRemovesTheRow();
    void createTabRowsInOrder();
    void savingTheCreateTabWritesEighteenRows();
    void applyOptionRow_data();
    void applyOptionRow();
    void olderGeometryRows_data();
    void olderGeometryRows();
};

// ---------------------------------------------------------------- rules

void TestWorkspace::generalHelpNeedsTopicAndText_data() {
    QTest::addColumn<QString>("topicId");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("both") << "IDH_A"
                          << "text" << true;
    QTest::newRow("no topic") << ""
                              << "text" << false;
    QTest::newRow("no text") << "IDH_A"
                             << "" << false;
    QTest::newRow("blank text counts as filled") << "IDH_A"
                                                 << " " << true;
}

void TestWorkspace::generalHelpNeedsTopicAndText() {
    QFETCH(QString, topicId);
    QFETCH(QString, text);
    QFETCH(bool, enabled);
    const ButtonStates s = CheckGeneralHelp({topicId, text});
    QCOMPARE(s.ok, std::optional<bool>(enabled));
    QCOMPARE(s.del, std::optional<bool>(enabled));
    QVERIFY(!s.create);
    QVERIFY(!s.addnode);
}

void TestWorkspace::contentsFileRule_data() {
    QTest::addColumn<QString>("topicId");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("topic");
    QTest::addColumn<bool>("heading");
    QTest::addColumn<int>("nodes");
    QTest::addColumn<bool>("addnode");
    QTest::addColumn<bool>("ok");
    QTest::newRow("topic with id and title") << "IDH_A"
                                             << "A" << true << false << 0 << true << false;
    QTest::newRow("topic without id") << ""
                                      << "A" << true << false << 1 << false << true;
    QTest::newRow("heading without id") << ""
                                        << "A" << false << true << 3 << true << true;
    QTest::newRow("heading without title") << "IDH_A"
                                           << "" << false << true << 0 << false << false;
    QTest::newRow("no kind chosen") << "IDH_A"
                                    << "A" << false << false << 0 << false << false;
}

void TestWorkspace::contentsFileRule() {
    QFETCH(QString, topicId);
    QFETCH(QString, title);
    QFETCH(bool, topic);
    QFETCH(bool, heading);
    QFETCH(int, nodes);
    QFETCH(bool, addnode);
    QFETCH(bool, ok);
    const ButtonStates s = CheckContentsFile({topicId, title, topic, heading, nodes});
    QCOMPARE(s.addnode, std::optional<bool>(addnode));
    QCOMPARE(s.ok, std::optional<bool>(ok));
    QVERIFY(!s.del); // Delete keeps its state on this tab
}

void TestWorkspace::toolTipsNeedAllThree() {
    QCOMPARE(
        CheckToolTips({QStringLiteral("frmMain"), QStringLiteral("cmdOK"), QStringLiteral("t")}).ok,
        std::optional<bool>(true));
    const ToolTipsTab missing[] = {{QString(), QStringLiteral("cmdOK"), QStringLiteral("t")},
                                   {QStringLiteral("frmMain"), QString(), QStringLiteral("t")},
                                   {QStringLiteral("frmMain"), QStringLiteral("cmdOK"), QString()}};
    for (const ToolTipsTab& tab : missing) {
        const ButtonStates s = CheckToolTips(tab);
        QCOMPARE(s.ok, std::optional<bool>(false));
        QCOMPARE(s.del, std::optional<bool>(false));
    }
}

void TestWorkspace::whatsThisNeedsTextsAndAHelpType_data() {
    QTest::addColumn<QString>("mapNumber");
    QTest::addColumn<QString>("topicId");
    QTest::addColumn<int>("cons");
    QTest::addColumn<int>("wt");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("neither box") << "5"
                                 << "IDH_A" << 0 << 0 << false;
    QTest::newRow("grayed boxes do not count") << "5"
                                               << "IDH_A" << 2 << 2 << false;
    QTest::newRow("context help") << "5"
                                  << "IDH_A" << 1 << 0 << true;
    QTest::newRow("what's this") << "5"
                                 << "IDH_A" << 0 << 1 << true;
    QTest::newRow("no map number") << ""
                                   << "IDH_A" << 1 << 1 << false;
    QTest::newRow("no topic") << "5"
                              << "" << 1 << 1 << false;
}

void TestWorkspace::whatsThisNeedsTextsAndAHelpType() {
    QFETCH(QString, mapNumber);
    QFETCH(QString, topicId);
    QFETCH(int, cons);
    QFETCH(int, wt);
    QFETCH(bool, enabled);
    WhatsThisTab tab{QStringLiteral("frmMain"),
                     QStringLiteral("cmdOK"),
                     mapNumber,
                     topicId,
                     QStringLiteral("text"),
                     cons,
                     wt};
    QCOMPARE(CheckWhatsThis(tab).ok, std::optional<bool>(enabled));
    QCOMPARE(CheckWhatsThis(tab).del, std::optional<bool>(enabled));
    tab.helpText.clear();
    QCOMPARE(CheckWhatsThis(tab).ok, std::optional<bool>(false));
}

void TestWorkspace::createTabWindowsHelp_data() {
    QTest::addColumn<int>("general");
    QTest::addColumn<int>("contents");
    QTest::addColumn<int>("toolTips");
    QTest::addColumn<int>("context");
    QTest::addColumn<QString>("contentsName");
    QTest::addColumn<QString>("vbp");
    QTest::addColumn<bool>("enabled");
    const QString cnt = QStringLiteral("a.cnt");
    const QString vbp = QStringLiteral("a.vbp");
    QTest::newRow("general help") << 1 << 0 << 0 << 0 << QString() << QString() << true;
    QTest::newRow("only contents file") << 0 << 1 << 0 << 0 << cnt << vbp << false;
    QTest::newRow("only tool tips with project") << 0 << 0 << 1 << 0 << QString() << vbp << true;
    QTest::newRow("only tool tips without project")
        << 0 << 0 << 1 << 0 << cnt << QString() << false;
    QTest::newRow("general and contents, no contents name")
        << 1 << 1 << 0 << 0 << QString() << vbp << false;
    QTest::newRow("general and contents with name") << 1 << 1 << 0 << 0 << cnt << QString() << true;
    QTest::newRow("contents without general stops before tool tips")
        << 0 << 1 << 1 << 0 << cnt << vbp << false;
    QTest::newRow("context without general stops before tool tips")
        << 0 << 0 << 1 << 1 << cnt << vbp << false;
    QTest::newRow("grayed general help neither stops nor counts")
        << 2 << 1 << 1 << 0 << cnt << vbp << true;
    QTest::newRow("grayed general help alone") << 2 << 0 << 0 << 0 << cnt << vbp << false;
    QTest::newRow("tool tip rule rescues missing contents name")
        << 1 << 1 << 1 << 0 << QString() << vbp << true;
}

void TestWorkspace::createTabWindowsHelp() {
    QFETCH(int, general);
    QFETCH(int, contents);
    QFETCH(int, toolTips);
    QFETCH(int, context);
    QFETCH(QString, contentsName);
    QFETCH(QString, vbp);
    QFETCH(bool, enabled);
    CreateSettings tab;
    tab.helpType = HelpType::WindowsHelp;
    tab.createGeneralHelp = general;
    tab.createContentsFile = contents;
    tab.createToolTips = toolTips;
    tab.createContextSensitiveHelp = context;
    tab.helpProjectTitle = QStringLiteral("T");
    tab.helpProjectFileName = QStringLiteral("a.hpj");
    tab.helpFileName = QStringLiteral("a.hlp");
    tab.rtfFileName = QStringLiteral("a.rtf");
    tab.contentsFileName = contentsName;
    tab.vbProjectFileName = vbp;
    const ButtonStates s = CheckCreate(tab);
    QCOMPARE(s.ok, std::optional<bool>(enabled));
    QCOMPARE(s.create, std::optional<bool>(enabled));
    QCOMPARE(s.del, std::optional<bool>(false));
    if (enabled && general == 1 && !(toolTips == 1 && !vbp.isEmpty())) {
        tab.helpProjectTitle.clear(); // the general-help rule needs every name
        QCOMPARE(CheckCreate(tab).ok, std::optional<bool>(false));
    }
}

void TestWorkspace::createTabHtmlHelp() {
    CreateSettings tab;
    tab.helpType = HelpType::HtmlHelp;
    tab.helpProjectFileName = QStringLiteral("a.hhp");
    tab.helpFileName = QStringLiteral("a.chm");
    tab.contentsFileName = QStringLiteral("a.hhc");
    tab.indexFileName = QStringLiteral("a.hhk");
    QCOMPARE(CheckCreate(tab).create, std::optional<bool>(true));
    QCOMPARE(CheckCreate(tab).del, std::optional<bool>(false));
    // No switch is needed, and the Windows Help names do not count.
    for (QString CreateSettings::*name :
         {&CreateSettings::helpProjectFileName, &CreateSettings::helpFileName,
          &CreateSettings::contentsFileName, &CreateSettings::indexFileName}) {
        CreateSettings missing = tab;
        (missing.*name).clear();
        missing.createGeneralHelp = 1;
        missing.helpProjectTitle = QStringLiteral("T");
        missing.rtfFileName = QStringLiteral("a.rtf");
        missing.createToolTips = 1;
        missing.vbProjectFileName = QStringLiteral("a.vbp");
        QCOMPARE(CheckCreate(missing).ok, std::optional<bool>(false));
    }
    // Neither help type chosen: nothing can be created.
    CreateSettings none = tab;
    none.helpType = HelpType::None;
    QCOMPARE(CheckCreate(none).create, std::optional<bool>(false));
}

// ---------------------------------------------------------------- map numbers

void TestWorkspace::roomLeftNote_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("note");
    QTest::newRow("room") << 39 << 50 << "";
    QTest::newRow("four fifths") << 40 << 50 << "Title: 10 of 50 characters left.";
    QTest::newRow("one left") << 99 << 100 << "Title: 1 of 100 characters left.";
    QTest::newRow("full") << 50 << 50 << "Title is full: it holds at most 50 characters.";
    QTest::newRow("no limit") << 5 << 0 << "";
}

void TestWorkspace::roomLeftNote() {
    QFETCH(int, length);
    QFETCH(int, limit);
    QFETCH(QString, note);
    QCOMPARE(textrules::RoomLeftNote(QStringLiteral("Title"), length, limit), note);
}

void TestWorkspace::doubleStrayBackslashes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mended");
    QTest::newRow("paths") << "Install to C:\\Program Files\\App."
                           << "Install to C:\\\\Program Files\\\\App.";
    QTest::newRow("known codes and doubled ones stay") << "{\\b Bold} C:\\\\Temp\\par x"
                                                       << "{\\b Bold} C:\\\\Temp\\par x";
    QTest::newRow("a brace is no backslash") << "{open \\Odd"
                                             << "{open \\\\Odd";
    QTest::newRow("nothing to mend") << "plain"
                                     << "plain";
}

void TestWorkspace::doubleStrayBackslashes() {
    QFETCH(QString, text);
    QFETCH(QString, mended);
    QCOMPARE(textrules::DoubleStrayBackslashes(text), mended);
}

void TestWorkspace::contextStringCharacters_data() {
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("problem"); // a part of the message; empty: accepted
    QTest::newRow("plain") << "IDH_Main.2~!"
                           << "";
    QTest::newRow("Windows-1252 letter") << "IDH_\u00e9t\u00e9"
                                         << "";
    QTest::newRow("Windows-1252 0x80") << "IDH_\u20ac"
                                       << "";
    QTest::newRow("blank") << "IDH A"
                           << "a blank";
    for (const char* c : {"=", ";", "#", "{", "}", "\\", "\""})
        QTest::addRow("holds %s", c) << QStringLiteral("IDH_%1").arg(QLatin1String(c))
                                     << QStringLiteral("holds \"%1\"").arg(QLatin1String(c));
    QTest::newRow("tab") << "IDH\tA"
                         << "control character";
    QTest::newRow("delete") << "IDH\u007f"
                            << "control character";
    QTest::newRow("not in Windows-1252") << "IDH_\u0100"
                                         << "cannot hold";
}

void TestWorkspace::contextStringCharacters() {
    QFETCH(QString, id);
    QFETCH(QString, problem);
    const QString message = textrules::CheckContextString(id, QStringLiteral("The topic ID"));
    if (problem.isEmpty())
        QVERIFY2(message.isEmpty(), qPrintable(message));
    else
        QVERIFY2(message.startsWith(u"The topic ID \"") && message.contains(problem),
                 qPrintable(message));
}

void TestWorkspace::parseMapNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // -1: refused
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("limit") << "32767" << 32767;
    QTest::newRow("above limit") << "32768" << -1;
    QTest::newRow("far above limit") << "99999999999" << -1;
    QTest::newRow("leading zeros") << "00040" << 40;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("decimal") << "1.5" << -1;
    QTest::newRow("blank") << " 4" << -1;
    QTest::newRow("letters") << "12a" << -1;
}

void TestWorkspace::parseMapNumber() {
    QFETCH(QString, text);
    QFETCH(int, expected);
    const auto n = mapnumbers::ParseMapNumber(text);
    if (expected < 0)
        QVERIFY(!n);
    else
        QCOMPARE(n, std::optional<int>(expected));
}

void TestWorkspace::counterStartsAtOneAndFollowsSaves() {
    auto db = newProject();
    QCOMPARE(mapnumbers::NextMapNumber(*db), 1);
    QCOMPARE(mapnumbers::NextMapNumber(*db), 1); // asking writes nothing
    QVERIFY(!optionValue(*db, QStringLiteral("LMAP")));
    SaveGeneralHelp(*db, topic(QStringLiteral("IDH_ONE"), QStringLiteral("1")));
    QCOMPARE(optionValue(*db, QStringLiteral("LMAP")), std::optional<QString>(QStringLiteral("1")));
    QCOMPARE(mapnumbers::NextMapNumber(*db), 2);
}

void TestWorkspace::counterGrowsOnly() {
    auto db = newProject();
    mapnumbers::SaveNextMapNumber(*db, 7);
    SaveGeneralHelp(*db, topic(QStringLiteral("IDH_40"), QStringLiteral("40")));
    QCOMPARE(optionValue(*db, QStringLiteral("LMAP")),
             std::optional<QString>(QStringLiteral("40")));
    SaveGeneralHelp(*db, topic(QStringLiteral("IDH_12"), QStringLiteral("12")));
    QCOMPARE(optionValue(*db, QStringLiteral("LMAP")),
             std::optional<QString>(QStringLiteral("40")));
    mapnumbers::SaveNextMapNumber(*db, 40); // equal: unchanged
    QCOMPARE(mapnumbers::NextMapNumber(*db), 41);
    // One counter row, whatever happens.
    QCOMPARE(countRows(*db, QStringLiteral("select * from options")), 1);
}

void TestWorkspace::bothTabsShareTheCounter() {
    auto db = newProject();
    mapnumbers::SaveNextMapNumber(*db, 9);
    SaveWhatsThis(
        *db, whatsThis(QStringLiteral("frmMain"), QStringLiteral("cmdOK"), QStringLiteral("10")));
    QCOMPARE(mapnumbers::NextMapNumber(*db), 11);
    SaveGeneralHelp(*db, topic(QStringLiteral("IDH_A"), QStringLiteral("11")));
    QCOMPARE(mapnumbers::NextMapNumber(*db), 12);
    SaveWhatsThis(
        *db, whatsThis(QStringLiteral("frmMain"), QStringLiteral("cmdNo"), QStringLiteral("3")));
    QCOMPARE(mapnumbers::NextMapNumber(*db), 12);
}

void TestWorkspace::counterAtTheLimitProposesBeyondIt() {
    auto db = newProject();
    SaveGeneralHelp(*db, topic(QStringLiteral("IDH_LAST"), QStringLiteral("32767")));
    QCOMPARE(optionValue(*db, QStringLiteral("LMAP")),
             std::optional<QString>(QStringLiteral("32767")));
    QVERIFY(mapnumbers::NextMapNumber(*db) > mapnumbers::MaxMapNumber);
}

void TestWorkspace::unreadableCounterCountsAsZero() {
    auto db = newProject();
    options::UpdateOptions(*db, QStringLiteral("LMAP"), QStringLiteral("lots"));
    QCOMPARE(mapnumbers::NextMapNumber(*db), 1);
    mapnumbers::SaveNextMapNumber(*db, 5);
    QCOMPARE(optionValue(*db, QStringLiteral("LMAP")), std::optional<QString>(QStringLiteral("5")));
}

// ---------------------------------------------------------------- records

void TestWorkspace::generalHelpNewThenExisting() {
    auto db = newProject();
    QVERIFY(SaveGeneralHelp(*db, topic(QStringLiteral("IDH_A"), QStringLiteral("3"))));
    GeneralHelpRecord changed = topic(QStringLiteral("idh_a"), QStringLiteral("4"));
    changed.title = QStringLiteral("New title");
    QVERIFY(!SaveGeneralHelp(*db, changed)); // the key ignores letter case
    QCOMPARE(countRows(*db, QStringLiteral("select * from generalhelp")), 1);
    const auto loaded = LoadGeneralHelp(*db, QStringLiteral("IDH_A"));
    QVERIFY(loaded);
    QCOMPARE(loaded->topicId, QStringLiteral("IDH_A")); // its topic ID is not changed
    QCOMPARE(loaded->title, QStringLiteral("New title"));
    QCOMPARE(loaded->mapNumber, QStringLiteral("4"));
    auto rs = db->OpenRecordset(QStringLiteral("select * from generalhelp"), dao::dbOpenSnapshot);
    QCOMPARE(rs->Text(QStringLiteral("status")), QStringLiteral("A"));
}

void TestWorkspace::generalHelpLoad() {
    auto db = newProject();
    GeneralHelpRecord r = topic(QStringLiteral("IDH_LOAD"), QStringLiteral("00012"));
    r.title.clear(); // empty fields are allowed and come back empty
    r.keywords.clear();
    SaveGeneralHelp(*db, r);
    const auto loaded = LoadGeneralHelp(*db, QStringLiteral("IDH_LOAD"));
    QVERIFY(loaded);
    QCOMPARE(loaded->title, QString());
    QCOMPARE(loaded->browseSeq, r.browseSeq);
    QCOMPARE(loaded->keywords, QString());
    QCOMPARE(loaded->topicHeader, r.topicHeader);
    QCOMPARE(loaded->helpText, r.helpText);
    QCOMPARE(loaded->mapNumber, QStringLiteral("12"));
    QVERIFY(!LoadGeneralHelp(*db, QStringLiteral("IDH_MISSING")));
}

void TestWorkspace::generalHelpRefusedRecordsStoreNothing_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("named"); // a word the message must hold
    QTest::newRow("map number not a number") << 0 << "twelve"
                                             << "Topic Map Number";
    QTest::newRow("map number too large") << 0 << "40000"
                                          << "Topic Map Number";
    QTest::newRow("negative map number") << 0 << "-3"
                                         << "Topic Map Number";
    QTest::newRow("topic ID of 51") << 1 << QString(51, QLatin1Char('t')) << "Topic ID";
    QTest::newRow("title of 51") << 2 << QString(51, QLatin1Char('t')) << "Topic Title";
    QTest::newRow("browse sequence of 51")
        << 3 << QString(51, QLatin1Char('b')) << "Browse Sequence";
    QTest::newRow("header of 101") << 4 << QString(101, QLatin1Char('h')) << "Topic Header";
    // Texts Create could not write into their lines.
    QTest::newRow("topic ID with a blank") << 1 << "IDH SAVE"
                                           << "Topic ID \"IDH SAVE\" holds a blank";
    QTest::newRow("topic ID with =") << 1 << "IDH=1"
                                     << "Topic ID";
    QTest::newRow("title with a line break") << 2 << "a\nb"
                                             << "Topic Title holds a line break";
    QTest::newRow("header with a control character") << 4 << QStringLiteral("h\u0001") << "U+0001";
}

void TestWorkspace::generalHelpRefusedRecordsStoreNothing() {
    QFETCH(int, field);
    QFETCH(QString, value);
    QFETCH(QString, named);
    auto db = newProject();
    GeneralHelpRecord r = topic(QStringLiteral("IDH_BAD"), QStringLiteral("8"));
    QString* fields[] = {&r.mapNumber, &r.topicId, &r.title, &r.browseSeq, &r.topicHeader};
    *fields[field] = value;
    try {
        SaveGeneralHelp(*db, r);
        QFAIL("the record was accepted");
    } catch (const RecordError& e) {
        QVERIFY2(e.message().contains(named), qPrintable(e.message()));
    }
    QCOMPARE(countRows(*db, QStringLiteral("select * from generalhelp")), 0);
    QCOMPARE(countRows(*db, QStringLiteral("select * from options")), 0);
    // The largest sizes themselves are accepted.
    GeneralHelpRecord full = topic(QString(50, QLatin1Char('i')), QStringLiteral("8"));
    full.title = QString(50, QLatin1Char('t'));
    full.browseSeq = QString(50, QLatin1Char('b'));
    full.topicHeader = QString(100, QLatin1Char('h'));
    QVERIFY(SaveGeneralHelp(*db, full));
}

void TestWorkspace::aTopicHasOneMapNumber() {
    auto db = newProject();
    QVERIFY(SaveGeneralHelp(*db, topic(QStringLiteral("IDH_SAVE"), QStringLiteral("3"))));
    QCOMPARE(MapNumberOfTopic(*db, QStringLiteral("IDH_SAVE")), std::optional<int>(3));
    QCOMPARE(MapNumberOfTopic(*db, QStringLiteral("IDH_NONE")), std::nullopt);
    // A What's This entry may share the topic only with its number.
    WhatsThisRecord entry =
        whatsThis(QStringLiteral("frmMain"), QStringLiteral("cmdSave"), QStringLiteral("5"));
    entry.topicId = QStringLiteral("IDH_SAVE");
    try {
        SaveWhatsThis(*db, entry);
        QFAIL("a second map number for one topic was saved");
    } catch (const RecordError& e) {
        QVERIFY2(e.message().contains(u"IDH_SAVE already has the map number 3 (General Help)") &&
                     e.message().contains(u"so 5 cannot"),
                 qPrintable(e.message()));
    }
    entry.mapNumber = QStringLiteral("3");
    QVERIFY(SaveWhatsThis(*db, entry));
    entry.mapNumber = QStringLiteral("3"); // saving the same entry again is no clash
    QVERIFY(!SaveWhatsThis(*db, entry));
    QCOMPARE(WhatsThisEntriesOfTopic(*db, QStringLiteral("IDH_SAVE")),
             QStringList(QStringLiteral("frmMain.cmdSave")));
    // Nor may the general topic take another number while the entry keeps 3.
    QVERIFY_THROWS_EXCEPTION(
        RecordError, SaveGeneralHelp(*db, topic(QStringLiteral("IDH_SAVE"), QStringLiteral("7"))));
    // An empty map number is no number, and clashes with nothing.
    QVERIFY(!SaveGeneralHelp(*db, topic(QStringLiteral("IDH_SAVE"), QString())));
    QCOMPARE(MapNumberOfTopic(*db, QStringLiteral("IDH_SAVE")), std::optional<int>(3));
}

void TestWorkspace::twoTopicsCannotShareAMapNumber() {
    auto db = newProject();
    QVERIFY(SaveGeneralHelp(*db, topic(QStringLiteral("IDH_A"), QStringLiteral("4"))));
    WhatsThisRecord entry =
        whatsThis(QStringLiteral("frmMain"), QStringLiteral("cmdGo"), QStringLiteral("6"));
    QVERIFY(SaveWhatsThis(*db, entry));
    const struct {
        std::function<void()> save;
        const char* owner;
    } clashes[] = {
        {[&] { SaveGeneralHelp(*db, topic(QStringLiteral("IDH_B"), QStringLiteral("4"))); },
         "the topic IDH_A"},
        {[&] { SaveGeneralHelp(*db, topic(QStringLiteral("IDH_B"), QStringLiteral("6"))); },
         "the What's This entry frmMain.cmdGo (topic IDH_cmdGo)"},
        {[&] {
             SaveWhatsThis(*db, whatsThis(QStringLiteral("frmMain"), QStringLiteral("cmdNew"),
                                          QStringLiteral("4")));
         },
         "the topic IDH_A"},
    };
    for (const auto& c : clashes) {
        try {
            c.save();
            QFAIL(c.owner);
        } catch (const RecordError& e) {
            QVERIFY2(e.message().startsWith(u"The map number ") &&
                         e.message().contains(QString::fromUtf8(c.owner)),
                     qPrintable(e.message()));
            QCOMPARE(e.field(), int(str::caption::TopicMapNumber));
        }
    }
    QCOMPARE(countRows(*db, QStringLiteral("select * from generalhelp")), 1);
    QCOMPARE(countRows(*db, QStringLiteral("select * from whatsthis")), 1);
    // The topic's own number, in any letter case, and 0 are no clash.
    QVERIFY(!SaveGeneralHelp(*db, topic(QStringLiteral("IDH_A"), QStringLiteral("4"))));
    QVERIFY(MapNumberOwner(*db, 4, QStringLiteral("idh_a")).isEmpty());
    QVERIFY(MapNumberOwner(*db, 0, QStringLiteral("IDH_Z")).isEmpty());
    QVERIFY(MapNumberOwner(*db, 4, QStringLiteral("IDH_Z"), QStringLiteral("IDH_A")).isEmpty());
}

void TestWorkspace::renameCarriesTheReferencesAlong() {
    auto db = newProject();
    QVERIFY(SaveGeneralHelp(*db, topic(QStringLiteral("IDH_A"), QStringLiteral("4"))));
    WhatsThisRecord entry =
        whatsThis(QStringLiteral("frmMain"), QStringLiteral("cmdGo"), QStringLiteral("4"));
    entry.topicId = QStringLiteral("IDH_A");
    QVERIFY(SaveWhatsThis(*db, entry));
    const auto contentsRow = [&](const char* key, const char* parent, const char* type) {
        testenv::addRow(*db, QStringLiteral("contentsfile"),
                        {{"TopicID", QString::fromLatin1(key)},
                         {"Title", QStringLiteral("t")},
                         {"Level", QStringLiteral("1")},
                         {"Parent", QString::fromLatin1(parent)},
                         {"Type", QString::fromLatin1(type)}});
    };
    contentsRow("IDH_A.1", "Main", "3"); // a heading keyed like the topic stays
    contentsRow("IDH_A.2", "IDH_A.1", "2");
    contentsRow("idh_a.3", "IDH_A.1", "2");
    contentsRow("IDH_B.2", "IDH_A.1", "2"); // takes the key IDH_B.2 first: the next number
    contentsRow("IDH_AB.5", "Main", "2");
    GeneralHelpRecord renamed = topic(QStringLiteral("IDH_B"), QStringLiteral("4"));
    renamed.title = QStringLiteral("New title");
    const RenamedTopic r = RenameGeneralHelp(*db, QStringLiteral("IDH_A"), renamed);
    QCOMPARE(r.contentsEntries, 2);
    QCOMPARE(r.whatsThisEntries, 1);
    QVERIFY(!LoadGeneralHelp(*db, QStringLiteral("IDH_A")));
    QCOMPARE(LoadGeneralHelp(*db, QStringLiteral("IDH_B"))->title, QStringLiteral("New title"));
    QCOMPARE(LoadWhatsThis(*db, QStringLiteral("frmMain"), QStringLiteral("cmdGo"))->topicId,
             QStringLiteral("IDH_B"));
    QStringList keys;
    for (auto rs = db->OpenRecordset(QStringLiteral("select * from contentsfile order by entry"),
                                     dao::dbOpenSnapshot);
         !rs->EOF_(); rs->MoveNext())
        keys << rs->Text(QStringLiteral("TopicID")) + u'<' + rs->Text(QStringLiteral("Parent"));
    QCOMPARE(keys,
             (QStringList{QStringLiteral("IDH_A.1<Main"), QStringLiteral("IDH_B.6<IDH_A.1"),
                          QStringLiteral("IDH_B.3<IDH_A.1"), QStringLiteral("IDH_B.2<IDH_A.1"),
                          QStringLiteral("IDH_AB.5<Main")}));
}

void TestWorkspace::refusedRenameChangesNothing() {
    auto db = newProject();
    QVERIFY(SaveGeneralHelp(*db, topic(QStringLiteral("IDH_A"), QStringLiteral("4"))));
    QVERIFY(SaveGeneralHelp(*db, topic(QStringLiteral("IDH_C"), QStringLiteral("5"))));
    testenv::addRow(*db, QStringLiteral("contentsfile"),
                    {{"TopicID", QStringLiteral("IDH_A.1")},
                     {"Title", QStringLiteral("t")},
                     {"Level", QStringLiteral("1")},
                     {"Parent", QStringLiteral("Main")},
                     {"Type", QStringLiteral("2")}});
    const struct {
        GeneralHelpRecord record;
        const char* said;
    } refusals[] = {
        {topic(QStringLiteral("IDH_C"), QStringLiteral("4")), "The topic IDH_C already exists"},
        {topic(QStringLiteral("IDH_D"), QStringLiteral("5")), "used by the topic IDH_C"},
        {[] {
             GeneralHelpRecord r = topic(QString(49, u'X'), QStringLiteral("4"));
             r.title = QStringLiteral("T");
             r.topicHeader = QStringLiteral("H");
             return r;
         }(),
         "longer than the 50 characters"},
    };
    for (const auto& refusal : refusals) {
        try {
            RenameGeneralHelp(*db, QStringLiteral("IDH_A"), refusal.record);
            QFAIL(refusal.said);
        } catch (const RecordError& e) {
            QVERIFY2(e.message().contains(QString::fromUtf8(refusal.said)),
                     qPrintable(e.message()));
        }
        QVERIFY(LoadGeneralHelp(*db, QStringLiteral("IDH_A")));
        QCOMPARE(countRows(*db, QStringLiteral("select * from generalhelp")), 2);
        QCOMPARE(countRows(*db, QStringLiteral("select * from contentsfile where topicid = "
                                               "'IDH_A.1'")),
                 1);
    }
}

void TestWorkspace::storeRefusalLeavesNoCounter() {
    auto db = newProject();
    // An empty topic ID is refused by the store itself (the key is required).
    QVERIFY_THROWS_EXCEPTION(dao::EngineError,
                             SaveGeneralHelp(*db, topic(QString(), QStringLiteral("30"))));
    QCOMPARE(countRows(*db, QStringLiteral("select * from generalhelp")), 0);
    QVERIFY(!optionValue(*db, QStringLiteral("LMAP")));
    // The database stays usable afterwards.
    QVERIFY(SaveGeneralHelp(*db, topic(QStringLiteral("IDH_OK"), QStringLiteral("2"))));
    QCOMPARE(mapnumbers::NextMapNumber(*db), 3);
}

void TestWorkspace::toolTipKeyAndLength() {
    auto db = newProject();
    QVERIFY(SaveToolTip(
        *db, {QStringLiteral("frmMain"), QStringLiteral("cmdOK"), QStringLiteral("Saves")}));
    QVERIFY(!SaveToolTip(
        *db, {QStringLiteral("frmMain"), QStringLiteral("cmdOK"), QStringLiteral("Keeps")}));
    auto rs = db->OpenRecordset(QStringLiteral("select * from tooltips"), dao::dbOpenSnapshot);
    QCOMPARE(rs->Text(QStringLiteral("Object")), QStringLiteral("frmMain.cmdOK"));
    QCOMPARE(rs->Text(QStringLiteral("HelpText")), QStringLiteral("Keeps"));
    QCOMPARE(rs->Text(QStringLiteral("Status")), QStringLiteral("A"));
    rs.reset();

    // Form, point and control: 100 characters fit, 101 do not.
    const QString form(60, QLatin1Char('f'));
    QVERIFY(SaveToolTip(*db, {form, QString(39, QLatin1Char('c')), QStringLiteral("fits")}));
    QVERIFY_THROWS_EXCEPTION(RecordError, SaveToolTip(*db, {form, QString(40, QLatin1Char('c')),
                                                            QStringLiteral("long")}));
    QCOMPARE(countRows(*db, QStringLiteral("select * from tooltips")), 2);
}

void TestWorkspace::whatsThisTypeAndStatus() {
    auto db = newProject();
    const struct {
        int cons, wt;
        const char* type;
    } cases[] = {{1, 1, "Both"}, {1, 0, "ConS"}, {0, 1, "WhtS"}, {1, 2, "ConS"}};
    int i = 0;
    for (const auto& c : cases) {
        const QString control = QStringLiteral("ctl%1").arg(++i);
        QVERIFY(SaveWhatsThis(
            *db, whatsThis(QStringLiteral("frmA"), control, QString::number(i), c.cons, c.wt)));
        auto rs = db->OpenRecordset(SelectWhere(QStringLiteral("*"), QStringLiteral("Whatsthis"),
                                                QStringLiteral("Object"),
                                                QStringLiteral("frmA.") + control),
                                    dao::dbOpenSnapshot);
        QVERIFY(!rs->EOF_());
        QCOMPARE(rs->Text(QStringLiteral("Type")), QString::fromLatin1(c.type));
        QCOMPARE(rs->Text(QStringLiteral("Status")), QStringLiteral("A"));
        QCOMPARE(rs->Text(QStringLiteral("TopicID")), QStringLiteral("IDH_") + control);
        QCOMPARE(rs->Field(QStringLiteral("MapNumber")).toInt(), i);
    }
    // Saving an existing entry again changes it in place.
    QVERIFY(!SaveWhatsThis(
        *db, whatsThis(QStringLiteral("frmA"), QStringLiteral("ctl1"), QStringLiteral("9"), 0, 1)));
    QCOMPARE(countRows(*db, QStringLiteral("select * from whatsthis")), 4);
}

void TestWorkspace::whatsThisRefusals() {
    auto db = newProject();
    const WhatsThisRecord refused[] = {
        whatsThis(QStringLiteral("frmA"), QStringLiteral("ctl"), QStringLiteral("x")),
        whatsThis(QStringLiteral("frmA"), QStringLiteral("ctl"), QStringLiteral("32768")),
        whatsThis(QStringLiteral("frmA"), QStringLiteral("ctl"), QStringLiteral("5"), 0, 0),
        whatsThis(QStringLiteral("frmA"), QStringLiteral("ctl"), QStringLiteral("5"), 2, 2),
        whatsThis(QString(60, QLatin1Char('f')), QString(40, QLatin1Char('c')),
                  QStringLiteral("5")),
    };
    for (const WhatsThisRecord& r : refused)
        QVERIFY_THROWS_EXCEPTION(RecordError, SaveWhatsThis(*db, r));
    WhatsThisRecord longTopic =
        whatsThis(QStringLiteral("frmA"), QStringLiteral("ctl"), QStringLiteral("5"));
    longTopic.topicId = QString(51, QLatin1Char('t'));
    QVERIFY_THROWS_EXCEPTION(RecordError, SaveWhatsThis(*db, longTopic));
    QCOMPARE(countRows(*db, QStringLiteral("select * from whatsthis")), 0);
    QCOMPARE(countRows(*db, QStringLiteral("select * from options")), 0);
}

void TestWorkspace::deleteRemovesOnlyTheRowAndKeepsTheCounter() {
    auto db = newProject();
    SaveGeneralHelp(*db, topic(QStringLiteral("IDH_A"), QStringLiteral("20")));
    SaveGeneralHelp(*db, topic(QStringLiteral("IDH_B"), QStringLiteral("21")));
    SaveToolTip(*db, {QStringLiteral("frmA"), QStringLiteral("cmdA"), QStringLiteral("tip")});
    SaveWhatsThis(*db,
                  whatsThis(QStringLiteral("frmA"), QStringLiteral("cmdA"), QStringLiteral("22")));

    QVERIFY(DeleteGeneralHelp(*db, QStringLiteral("IDH_A")));
    QVERIFY(!DeleteGeneralHelp(*db, QStringLiteral("IDH_A")));
    QVERIFY(!LoadGeneralHelp(*db, QStringLiteral("IDH_A")));
    QVERIFY(LoadGeneralHelp(*db, QStringLiteral("IDH_B")));

    QVERIFY(DeleteToolTip(*db, QStringLiteral("frmA"), QStringLiteral("cmdA")));
    QCOMPARE(countRows(*db, QStringLiteral("select * from tooltips")), 0);
    QCOMPARE(countRows(*db, QStringLiteral("select * from whatsthis")),
             1); // same object, other table
    QVERIFY(DeleteWhatsThis(*db, QStringLiteral("frmA"), QStringLiteral("cmdA")));
    QVERIFY(!DeleteWhatsThis(*db, QStringLiteral("frmA"), QStringLiteral("cmdA")));
    QCOMPARE(countRows(*db, QStringLiteral("select * from whatsthis")), 0);

    QCOMPARE(mapnumbers::NextMapNumber(*db), 23);
}

void TestWorkspace::apostrophesAreStoredAndFound() {
    auto db = newProject();
    const QString id = QStringLiteral("IDH_O'Brien's");
    QVERIFY(SaveGeneralHelp(*db, topic(id, QStringLiteral("1"))));
    QVERIFY(!SaveGeneralHelp(*db, topic(id, QStringLiteral("1"))));
    QCOMPARE(LoadGeneralHelp(*db, id)->topicId, id);

    // A value shaped like a condition is a value, never part of the statement.
    SaveGeneralHelp(*db, topic(QStringLiteral("IDH_OTHER"), QStringLiteral("2")));
    QVERIFY(!DeleteGeneralHelp(*db, QStringLiteral("x' or '1'='1")));
    QVERIFY(!LoadGeneralHelp(*db, QStringLiteral("' or topicid <> '")));
    QCOMPARE(countRows(*db, QStringLiteral("select * from generalhelp")), 2);

    QVERIFY(SaveToolTip(
        *db, {QStringLiteral("frm'A"), QStringLiteral("cmd'B"), QStringLiteral("it's")}));
    QVERIFY(!SaveToolTip(
        *db, {QStringLiteral("frm'A"), QStringLiteral("cmd'B"), QStringLiteral("again")}));
    QVERIFY(SaveWhatsThis(
        *db, whatsThis(QStringLiteral("frm'A"), QStringLiteral("cmd'B"), QStringLiteral("3"))));
    QVERIFY(!SaveWhatsThis(
        *db, whatsThis(QStringLiteral("frm'A"), QStringLiteral("cmd'B"), QStringLiteral("3"))));
    QVERIFY(DeleteToolTip(*db, QStringLiteral("frm'A"), QStringLiteral("cmd'B")));
    QVERIFY(DeleteWhatsThis(*db, QStringLiteral("frm'A"), QStringLiteral("cmd'B")));
    QVERIFY(DeleteGeneralHelp(*db, id));
    QCOMPARE(countRows(*db, QStringLiteral("select * from generalhelp")), 1);

    options::UpdateOptions(*db, QStringLiteral("HPJT"), QStringLiteral("Bob's 'Help'"));
    QCOMPARE(optionValue(*db, QStringLiteral("HPJT")),
             std::optional<QString>(QStringLiteral("Bob's 'Help'")));
}

// ---------------------------------------------------------------- options

void TestWorkspace::updateOptionsAddsThenChanges() {
    auto db = newProject();
    options::UpdateOptions(*db, QStringLiteral("HPFN"), QStringLiteral("a.hpj"));
    options::UpdateOptions(*db, QStringLiteral("HPFN"), QStringLiteral("b.hpj"));
    QCOMPARE(countRows(*db, QStringLiteral("select * from options")), 1);
    auto rs = db->OpenRecordset(QStringLiteral("select * from options"), dao::dbOpenSnapshot);
    QCOMPARE(rs->Text(QStringLiteral("Option")), QStringLiteral("HPFN"));
    QCOMPARE(rs->Text(QStringLiteral("Descr")), QStringLiteral("b.hpj"));
    QCOMPARE(rs->Text(QStringLiteral("Status")), QStringLiteral("A"));
}

void TestWorkspace::updateOptionsWithEmptyValueRemovesTheRow() {
    auto db = newProject();
    options::UpdateOptions(*db, QStringLiteral("VBPF"), QString()); // no row, nothing to do
    QCOMPARE(countRows(*db, QStringLiteral("select * from options")), 0);
    options::UpdateOptions(*db, QStringLiteral("VBPF"), QStringLiteral("/a/b.vbp"));
    options::UpdateOptions(*db, QStringLiteral("VBPF"), QString());
    QVERIFY(!optionValue(*db, QStringLiteral("VBPF")));

    CreateSettings v = createValues();
    v.rtfFileName.clear();
    options::SaveCreateTab(*db, v, HelpWindowGeometry{});
    QCOMPARE(countRows(*db, QStringLiteral("select * from options")), 17);
    QVERIFY(!optionValue(*db, QStringLiteral("RTFF")));
}

void TestWorkspace::createTabRowsInOrder() {
    CreateSettings settings = createValues();
    settings.indexFileName = QStringLiteral("/a/help.hhk");
    const auto rows = options::CreateTabRows(settings, HelpWindowGeometry{});
    QStringList keys, values;
    for (const auto& row : rows) {
        keys << row.key;
        values << row.value;
    }
    QCOMPARE(keys.join(QLatin1Char(',')),
             QStringLiteral("VBPF,HPFN,HPJT,HLPF,CONF,RTFF,CRGH,CRCF,CRTT,CRCS,CRVB,HTMH,WHLP,"
                            "WINT,WINL,WINW,WINH,COMP,INDX,CRWH,FONT,COLR"));
    QCOMPARE(values.mid(6),
             QStringList({QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("2"),
                          QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("False"),
                          QStringLiteral("True"), QStringLiteral("98"), QStringLiteral("240"),
                          QStringLiteral("769"), QStringLiteral("547"), QStringLiteral("1"),
                          QStringLiteral("/a/help.hhk"), QString(), QString(), QString()}));
}

void TestWorkspace::savingTheCreateTabWritesEighteenRows() {
    auto db = newProject();
    options::SaveCreateTab(*db, createValues(), HelpWindowGeometry{});
    QCOMPARE(countRows(*db, QStringLiteral("select * from options")), 18);
    QCOMPARE(optionValue(*db, QStringLiteral("WINT")),
             std::optional<QString>(QStringLiteral("98")));
    QCOMPARE(optionValue(*db, QStringLiteral("WINW")),
             std::optional<QString>(QStringLiteral("769")));
    QCOMPARE(optionValue(*db, QStringLiteral("WINL")),
             std::optional<QString>(QStringLiteral("240")));
    QCOMPARE(optionValue(*db, QStringLiteral("WINH")),
             std::optional<QString>(QStringLiteral("547")));
    // Saving again changes rows in place; the counter row is not touched.
    mapnumbers::SaveNextMapNumber(*db, 4);
    CreateSettings v = createValues();
    v.helpProjectTitle = QStringLiteral("Second");
    HelpWindowGeometry set;
    set.left = QStringLiteral("10");
    set.top = QStringLiteral("20");
    set.width = QStringLiteral("300");
    set.height = QStringLiteral("400");
    options::SaveCreateTab(*db, v, set);
    QCOMPARE(countRows(*db, QStringLiteral("select * from options")), 19);
    QCOMPARE(optionValue(*db, QStringLiteral("HPJT")),
             std::optional<QString>(QStringLiteral("Second")));

    // Reading the rows back gives the tab as it was saved.
    QCOMPARE(options::ReadOptions(*db).size(), std::size_t(19));
    HelpWindowGeometry geometry;
    const CreateSettings back = options::ReadCreateSettings(*db, &geometry);
    QCOMPARE(back.helpProjectTitle, v.helpProjectTitle);
    QCOMPARE(back.vbProjectFileName, v.vbProjectFileName);
    QCOMPARE(back.createToolTips, 2);
    QVERIFY(back.helpType == HelpType::WindowsHelp);
    QCOMPARE(geometry, set); // what the author set, across opens
    QCOMPARE(back.window, set);
    QCOMPARE(back.window.text(), QStringLiteral("pos(10,20) size(300,400)"));
    QCOMPARE(back.setFormWhatsThisHelp, 0);

    // WhatsThisHelp on forms has a row only while it is ticked.
    v.setFormWhatsThisHelp = 1;
    options::SaveCreateTab(*db, v, set);
    QCOMPARE(optionValue(*db, QStringLiteral("CRWH")), std::optional<QString>(QStringLiteral("1")));
    QCOMPARE(options::ReadCreateSettings(*db).setFormWhatsThisHelp, 1);
    v.setFormWhatsThisHelp = 0;
    options::SaveCreateTab(*db, v, set);
    QCOMPARE(optionValue(*db, QStringLiteral("CRWH")), std::optional<QString>());
    QCOMPARE(countRows(*db, QStringLiteral("select * from options")), 19);
}

void TestWorkspace::olderGeometryRows_data() {
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("shown");
    // Older versions saved the width under WINT after the top: without a WINW
    // row, WINT is the width and the top the default.
    QTest::newRow("as older versions saved") << "WINT=769 WINL=240 WINH=547"
                                             << "pos(240,98) size(769,547)";
    QTest::newRow("older, other values") << "WINL=22 WINT=11 WINH=33"
                                         << "pos(22,98) size(11,33)";
    QTest::newRow("no rows") << ""
                             << "pos(240,98) size(769,547)";
    QTest::newRow("width under its own key") << "WINT=11 WINW=500 WINL=22 WINH=33"
                                             << "pos(22,11) size(500,33)";
    QTest::newRow("own key, any order") << "WINW=500 wint=11"
                                        << "pos(240,11) size(500,547)";
    QTest::newRow("out of range stays default") << "WINW=1025 WINT=-1 WINL=x WINH=1024"
                                                << "pos(240,98) size(769,1024)";
}

void TestWorkspace::olderGeometryRows() {
    QFETCH(QString, rows);
    QFETCH(QString, shown);
    auto db = newProject();
    for (const QString& row : rows.split(u' ', Qt::SkipEmptyParts))
        options::UpdateOptions(*db, row.section(u'=', 0, 0), row.section(u'=', 1));
    HelpWindowGeometry geometry;
    const CreateSettings settings = options::ReadCreateSettings(*db, &geometry);
    QCOMPARE(geometry.text(), shown);
    QCOMPARE(settings.window, geometry);
}

void TestWorkspace::applyOptionRow_data() {
    QTest::addColumn<QString>("rows");     // key=value blank-separated, applied in order
    QTest::addColumn<QString>("expected"); // the settings that differ from the defaults
    QTest::newRow("text") << "VBPF=/a/b.vbp"
                          << "VBPF=/a/b.vbp";
    QTest::newRow("index file and key case") << "indx=a.hhk hpjt=T"
                                             << "HPJT=T INDX=a.hhk";
    QTest::newRow("checks, grayed") << "CRGH=1 COMP=2"
                                    << "CRGH=1 COMP=2";
    QTest::newRow("WhatsThisHelp on forms") << "crwh=1"
                                            << "CRWH=1";
    QTest::newRow("checks that do not convert") << "CRCF=yes CRTT=7 CRCS=-1"
                                                << "";
    QTest::newRow("help type chosen") << "HTMH=True WHLP=False"
                                      << "type=HTML";
    QTest::newRow("false leaves the choice") << "WHLP=True HTMH=False"
                                             << "type=Windows";
    QTest::newRow("flags as numbers") << "HTMH=-1 WHLP=2"
                                      << "type=Windows";
    QTest::newRow("flag not a truth value") << "WHLP=maybe"
                                            << "";
    QTest::newRow("geometry") << "WINT=769 WINH=500 WINL=left WINW=12"
                              << "top=769 height=500 width=12";
    QTest::newRow("counter and unknown keys") << "LMAP=4 ABCD=1"
                                              << "";
}

void TestWorkspace::applyOptionRow() {
    QFETCH(QString, rows);
    QFETCH(QString, expected);
    CreateSettings s;
    HelpWindowGeometry g;
    for (const QString& row : rows.split(u' ', Qt::SkipEmptyParts))
        options::ApplyOptionRow(s, g, row.section(u'=', 0, 0), row.section(u'=', 1));
    QStringList got;
    const std::pair<const char*, QString> texts[] = {
        {"VBPF", s.vbProjectFileName}, {"HPFN", s.helpProjectFileName},
        {"HPJT", s.helpProjectTitle},  {"HLPF", s.helpFileName},
        {"CONF", s.contentsFileName},  {"RTFF", s.rtfFileName},
        {"INDX", s.indexFileName}};
    for (const auto& [key, value] : texts)
        if (!value.isEmpty())
            got << QString::fromLatin1(key) + u'=' + value;
    const std::pair<const char*, int> checks[] = {
        {"CRGH", s.createGeneralHelp},   {"CRCF", s.createContentsFile},
        {"CRTT", s.createToolTips},      {"CRCS", s.createContextSensitiveHelp},
        {"CRVB", s.vbProject},           {"COMP", s.compile},
        {"CRWH", s.setFormWhatsThisHelp}};
    for (const auto& [key, value] : checks)
        if (value != 0)
            got << QString::fromLatin1(key) + u'=' + QString::number(value);
    if (s.helpType != HelpType::None)
        got << (s.htmlHelp() ? QStringLiteral("type=HTML") : QStringLiteral("type=Windows"));
    const HelpWindowGeometry defaults;
    if (g.top != defaults.top)
        got << u"top=" + g.top;
    if (g.left != defaults.left)
        got << u"left=" + g.left;
    if (g.height != defaults.height)
        got << u"height=" + g.height;
    if (g.width != defaults.width)
        got << u"width=" + g.width;
    QCOMPARE(got.join(u' '), expected);
}

QTEST_GUILESS_MAIN(TestWorkspace)
#include "tst_workspace.moc"
