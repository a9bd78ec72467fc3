// The window's traps. Nothing typed is lost without a question: the unsaved-change prompt at a
// topic switch, a tab switch, Open and Close; the title's mark; the question
// before a topic still in use is deleted; a second map number refused, with
// the focus on it. Lists filter as the author types.
#include "common/project.h"
#include "common/testenv.h"
#include "common/window.h"

#include "shell/dialogs.h"
#include "ui/frmmain.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QtTest>

using testenv::choose;
using testenv::click;
using testenv::retype;

class TestUnsaved : public QObject {
    Q_OBJECT

    testenv::RegistryFolder m_registry;
    QTemporaryDir m_dir;
    std::unique_ptr<testenv::Window> w;
    testenv::DialogScript m_dialogs;

    dao::Database& db() { return *w->session().db; }

    QString helpTextOf(const QString& topic) {
        auto rs = db().OpenRecordset(
            QStringLiteral("select HelpText from GeneralHelp where TopicID = '%1'").arg(topic),
            dao::dbOpenSnapshot);
        return rs->EOF_() ? QStringLiteral("<none>") : rs->Text(QStringLiteral("HelpText"));
    }

    // The questions asked so far, emptied.
    QStringList takeQuestions() {
        QStringList texts = m_dialogs.texts();
        m_dialogs.clear();
        return texts;
    }

private slots:
    void init() {
        const QString file = testenv::freshProjectFile(m_dir.filePath(QStringLiteral("u.QMT")));
        {
            auto project = dao::Database::OpenDatabase(file);
            for (auto [id, map] : {std::pair{"IDH_A", 10}, std::pair{"IDH_B", 20}}) {
                const QString topic = QString::fromLatin1(id);
                testenv::addRow(*project, QStringLiteral("GeneralHelp"),
                                {{"TopicID", topic},
                                 {"TopicTitle", topic},
                                 {"HelpText", QString(QStringLiteral("text of ") + topic)},
                                 {"MapNumber", map},
                                 {"Status", QStringLiteral("A")}});
            }
        }
        w = testenv::shownWindow();
        QVERIFY(w->DataBaseOpen(file));
        m_dialogs.clear();
    }

    void cleanup() {
        m_dialogs.answers = {shell::vbNo}; // whatever is left is discarded
        w.reset();
        QVERIFY(QFile::remove(m_dir.filePath(QStringLiteral("u.QMT"))));
    }

    void topicSwitchAsksSaveDiscardOrCancel() {
        QVERIFY(choose(w->cbotopicid, QStringLiteral("IDH_A")));
        QVERIFY(!w->isWindowModified());
        retype(w->txtgenhelptext, QStringLiteral("edited A"));
        QVERIFY(w->isWindowModified());
        QVERIFY(w->windowTitle().startsWith(QStringLiteral("Quillmate - u.QMT[*]")));

        // Cancel: the edited record stays in the fields.
        m_dialogs.answers = {shell::vbCancel};
        QTest::keyClick(w->cbotopicid, Qt::Key_Down);
        QCOMPARE(takeQuestions(),
                 QStringList{QStringLiteral("The General Help tab has changes that are not saved. "
                                            "Save them?")});
        QCOMPARE(w->cbotopicid->currentText(), QStringLiteral("IDH_A"));
        QCOMPARE(w->txtgenhelptext->toPlainText(), QStringLiteral("edited A"));

        // Discard: the other topic is loaded, the first one unchanged.
        m_dialogs.answers = {shell::vbNo};
        QVERIFY(choose(w->cbotopicid, QStringLiteral("IDH_B")));
        QCOMPARE(w->txtgenhelptext->toPlainText(), QStringLiteral("text of IDH_B"));
        QCOMPARE(helpTextOf(QStringLiteral("IDH_A")), QStringLiteral("text of IDH_A"));
        QVERIFY(!w->isWindowModified());
        QCOMPARE(takeQuestions().size(), 1);

        // Save: the edit is stored under the topic it was made on.
        retype(w->txtgenhelptext, QStringLiteral("edited B"));
        m_dialogs.answers = {shell::vbYes};
        QVERIFY(choose(w->cbotopicid, QStringLiteral("IDH_A")));
        QCOMPARE(helpTextOf(QStringLiteral("IDH_B")), QStringLiteral("edited B"));
        QCOMPARE(w->txtgenhelptext->toPlainText(), QStringLiteral("text of IDH_A"));
        QVERIFY(!w->isWindowModified());
        QCOMPARE(takeQuestions().size(), 1);

        // Typing another topic's ID over the box picks that topic once the box
        // is left; the changes still belong to the topic shown before.
        retype(w->txtgenhelptext, QStringLiteral("edited again"));
        m_dialogs.answers = {shell::vbYes};
        retype(w->cbotopicid, QStringLiteral("IDH_B"));
        w->cbotopicid->completer()->popup()->hide(); // the author closes the completions
        QTest::keyClick(w->cbotopicid->lineEdit(), Qt::Key_Tab);
        QCOMPARE(takeQuestions().size(), 1);
        QCOMPARE(helpTextOf(QStringLiteral("IDH_A")), QStringLiteral("edited again"));
        QCOMPARE(testenv::countRows(db(), QStringLiteral("select * from GeneralHelp")), 2);
        QCOMPARE(w->txtgenhelptext->toPlainText(), QStringLiteral("edited B"));
        QVERIFY(choose(w->cbotopicid, QStringLiteral("IDH_A")));

        // A new ID typed, then another topic chosen from the list: the new
        // topic is what gets saved.
        retype(w->cbotopicid, QStringLiteral("IDH_C"));
        retype(w->txtgenhelptext, QStringLiteral("text of C"));
        m_dialogs.answers = {shell::vbYes, 2}; // save, as a new topic
        QVERIFY(choose(w->cbotopicid, QStringLiteral("IDH_B")));
        QCOMPARE(helpTextOf(QStringLiteral("IDH_C")), QStringLiteral("text of C"));
        QCOMPARE(helpTextOf(QStringLiteral("IDH_A")), QStringLiteral("edited again"));
        QCOMPARE(takeQuestions().size(), 2);
        QVERIFY(choose(w->cbotopicid, QStringLiteral("IDH_A")));

        // Ctrl+S is OK.
        retype(w->txtgenhelptext, QStringLiteral("saved by keys"));
        QTest::keySequence(w->txtgenhelptext, QKeySequence::Save);
        QCOMPARE(helpTextOf(QStringLiteral("IDH_A")), QStringLiteral("saved by keys"));
        QVERIFY(!w->isWindowModified());
    }

    void tabSwitchOpenAndCloseAsk() {
        // An unsaved contents tree is asked about when its tab is left.
        testenv::selectTab(*w, FrmMain::TabContentsFile);
        click(w->optheading);
        retype(w->txtcftitle, QStringLiteral("Getting started"));
        QVERIFY(w->cmdaddnode->isEnabled());
        QTest::keyClick(w->txtcftitle, Qt::Key_Return); // Enter adds, as Add does
        QCOMPARE(w->tvcontentsfileview->topLevelItemCount(), 1);
        QVERIFY(w->isWindowModified());
        // Picking a topic for the next entry is no reason to ask: it fills the
        // empty title with the topic's.
        click(w->opttopic);
        QVERIFY(choose(w->cbocftopicid, QStringLiteral("IDH_B")));
        QCOMPARE(w->txtcftitle->text(), QStringLiteral("IDH_B"));
        QCOMPARE(takeQuestions(), QStringList());
        m_dialogs.answers = {shell::vbCancel};
        testenv::selectTab(*w, FrmMain::TabGeneralHelp);
        QCOMPARE(w->SelectedTab(), int(FrmMain::TabContentsFile));
        QCOMPARE(takeQuestions().size(), 1);
        m_dialogs.answers = {shell::vbNo};
        testenv::selectTab(*w, FrmMain::TabGeneralHelp);
        QCOMPARE(w->SelectedTab(), int(FrmMain::TabGeneralHelp));
        QVERIFY(!w->isWindowModified());
        QCOMPARE(takeQuestions().size(), 1);

        // A typed topic is asked about at Open; Cancel keeps the project open.
        retype(w->cbotopicid, QStringLiteral("IDH_NEW"));
        retype(w->txtgenhelptext, QStringLiteral("new text"));
        const QString path = w->session().projectPath;
        m_dialogs.answers = {shell::vbCancel};
        w->mnuopen->trigger();
        QCOMPARE(takeQuestions().size(), 1);
        QVERIFY(m_dialogs.dialogs.isEmpty()); // no file was asked for
        QCOMPARE(w->session().projectPath, path);

        // Close: Cancel keeps the window, Save stores the topic and closes.
        m_dialogs.answers = {shell::vbCancel};
        QVERIFY(!w->close());
        QVERIFY(w->isVisible());
        m_dialogs.answers = {shell::vbYes};
        QVERIFY(w->close());
        w.reset();
        auto project = dao::Database::OpenDatabase(path);
        QCOMPARE(
            testenv::countRows(
                *project, QStringLiteral("select * from GeneralHelp where TopicID = 'IDH_NEW' and "
                                         "HelpText = 'new text'")),
            1);
        project.reset();
        w = testenv::shownWindow(); // for cleanup
        QVERIFY(w->DataBaseOpen(path));
    }

    void deleteAsksWhenTheTopicIsUsed() {
        testenv::addRow(db(), QStringLiteral("WhatsThis"),
                        {{"Object", QStringLiteral("frmMain.cmdSave")},
                         {"TopicID", QStringLiteral("IDH_A")},
                         {"MapNumber", 10},
                         {"Status", QStringLiteral("A")},
                         {"Type", QStringLiteral("ConS")}});
        QVERIFY(choose(w->cbotopicid, QStringLiteral("IDH_A")));
        m_dialogs.answers = {shell::vbCancel};
        click(w->cmddelete);
        QCOMPARE(takeQuestions(),
                 QStringList{QStringLiteral("The topic IDH_A is still used by the What's This "
                                            "entries of frmMain.cmdSave. Delete it anyway?")});
        QCOMPARE(helpTextOf(QStringLiteral("IDH_A")), QStringLiteral("text of IDH_A"));

        // A topic nothing uses is named in the question too; the status line
        // says what went.
        QVERIFY(choose(w->cbotopicid, QStringLiteral("IDH_B")));
        m_dialogs.answers = {shell::vbCancel};
        click(w->cmddelete);
        QCOMPARE(takeQuestions(), QStringList{QStringLiteral("Delete the topic IDH_B? It is "
                                                             "removed from the project at once.")});
        QCOMPARE(helpTextOf(QStringLiteral("IDH_B")), QStringLiteral("text of IDH_B"));
        click(w->cmddelete);
        QCOMPARE(takeQuestions().size(), 1);
        QCOMPARE(helpTextOf(QStringLiteral("IDH_B")), QStringLiteral("<none>"));
        QCOMPARE(w->statusBar()->currentMessage(), QStringLiteral("Deleted the topic IDH_B."));
    }

    // Typing in a topic ID box to find a topic asks nothing; with changes
    // that cannot be saved, Cancel keeps what was typed.
    void typingToFindATopicIsNoEdit() {
        for (QComboBox* box : {w->cbotopicid, w->cbowttopicid}) {
            testenv::selectTab(*w, box == w->cbotopicid ? int(FrmMain::TabGeneralHelp)
                                                        : int(FrmMain::TabWhatsThis));
            retype(box, QStringLiteral("IDH_"));
            QVERIFY(!w->isWindowModified());
            retype(box, QStringLiteral("IDH_B"));
            box->completer()->popup()->hide();
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
            QCOMPARE(takeQuestions(), QStringList());
            QCOMPARE(box->currentText(), QStringLiteral("IDH_B"));
        }
        QCOMPARE(w->txtwthelptext->toPlainText(), QStringLiteral("text of IDH_B"));
        testenv::selectTab(*w, FrmMain::TabGeneralHelp);
        QCOMPARE(w->txtgenhelptext->toPlainText(), QStringLiteral("text of IDH_B"));

        // A text typed first, then an ID: the question, and Cancel keeps the ID.
        click(w->cmdcancel);
        retype(w->txttopictitle, QStringLiteral("A title"));
        m_dialogs.answers = {shell::vbCancel};
        retype(w->cbotopicid, QStringLiteral("IDH_A"));
        w->cbotopicid->completer()->popup()->hide();
        QTest::keyClick(w->cbotopicid->lineEdit(), Qt::Key_Return);
        QCOMPARE(takeQuestions().size(), 1);
        QCOMPARE(w->cbotopicid->currentText(), QStringLiteral("IDH_A"));
        QCOMPARE(w->txttopictitle->text(), QStringLiteral("A title"));
    }

    void listsFilterAsYouType() {
        // Letters from the middle of an ID, in another case, find it.
        w->cbotopicid->lineEdit()->setFocus();
        QTest::keyClicks(w->cbotopicid->lineEdit(), QStringLiteral("_b"));
        QCompleter* completer = w->cbotopicid->completer();
        QCOMPARE(completer->completionCount(), 1);
        QCOMPARE(completer->currentCompletion(), QStringLiteral("IDH_B"));
        QVERIFY(completer->popup()->isVisible());
    }

    void aSecondMapNumberForATopicIsRefused() {
        testenv::selectTab(*w, FrmMain::TabWhatsThis);
        retype(w->cbowtform, QStringLiteral("frmMain"));
        retype(w->cbowtobject, QStringLiteral("cmdSave"));
        retype(w->cbowttopicid, QStringLiteral("IDH_A"));
        retype(w->txtwtmapnumber, QStringLiteral("11"));
        retype(w->txtwthelptext, QStringLiteral("Saves the file."));
        click(w->chkwtconsenhlp);
        QVERIFY(w->cmdok->isEnabled());
        click(w->cmdok);
        const QStringList texts = takeQuestions();
        QVERIFY2(texts.size() == 1, qPrintable(texts.join(u'|')));
        QVERIFY2(texts.first().contains(QStringLiteral("IDH_A")) &&
                     texts.first().contains(QStringLiteral("10")) &&
                     texts.first().contains(QStringLiteral("11")),
                 qPrintable(texts.first()));
        QCOMPARE(testenv::countRows(db(), QStringLiteral("select * from WhatsThis")), 0);
        // The field at fault has the focus, its text kept for mending.
        QTRY_VERIFY(w->txtwtmapnumber->hasFocus());
        QCOMPARE(w->txtwtmapnumber->text(), QStringLiteral("11"));
    }
};

QTEST_MAIN(TestUnsaved)
#include "tst_unsaved.moc"
