// The application project field and the Tool Tips and What's This? tabs of
// the main window, on real project and form files.
#include "app/appproject/appprojectfixture.h"
#include "common/project.h"
#include "common/window.h"
#include "shell/dialogs.h"
#include "ui/controlnotes.h"
#include "ui/frmmain.h"
#include "ui/tabs/applicationforms.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

using appfixture::crlf;
using testenv::items;

namespace {

const QByteArray kMainForm =
    crlf({"VERSION 5.00", "Begin VB.Form frmMain ", "   Caption         =   \"Main\"",
          "   Begin VB.Frame fraData ", "      Caption         =   \"Begin the upload\"",
          "      Begin VB.TextBox txtName ", "         Height          =   285", "      End",
          "      Begin VB.TextBox txtCity ", "      End", "   End", "End",
          "Attribute VB_Name = \"frmMain\"", "   ' Begin VB.Label lblCode ", "Sub x()", "End Sub"});

// What the progress window showed while a form was read.
struct ProgressSeen : QObject {
    QString title;
    QString caption;
    int minimum = -1;
    int maximum = -1;
    int lastValue = -1;
    int shown = 0;
    bool eventFilter(QObject* object, QEvent* event) override {
        if (object->objectName() != u"frmprogress")
            return false;
        auto* window = static_cast<QWidget*>(object);
        auto* bar = window->findChild<QProgressBar*>(QStringLiteral("pbprogress"));
        if (event->type() == QEvent::Show) {
            ++shown;
            title = window->windowTitle();
            caption = window->findChild<QLabel*>(QStringLiteral("lblcaption"))->text();
            minimum = bar->minimum();
            maximum = bar->maximum();
        } else if (event->type() == QEvent::Hide) {
            lastValue = bar->value();
        }
        return false;
    }
};

} // namespace

class TestAppProjectTabs : public QObject {
    Q_OBJECT

    testenv::RegistryFolder m_registry;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<testenv::Window> w;
    QStringList m_messages;
    QStringList m_fileAnswers; // next answers of the file dialog
    QList<int> m_answers;      // next answers of message boxes; OK when none is left

    QString path(const QString& name) const { return m_dir->filePath(name); }
    dao::Database& db() { return *w->session().db; }

    // Types into the application project field and leaves it.
    void enterProjectFile(const QString& text) {
        w->txtvbprojectfilename->setFocus();
        QTRY_VERIFY(w->txtvbprojectfilename->hasFocus());
        w->txtvbprojectfilename->selectAll();
        if (text.isEmpty())
            QTest::keyClick(w->txtvbprojectfilename, Qt::Key_Delete);
        else
            QTest::keyClicks(w->txtvbprojectfilename, text);
        w->txthelpprojecttitle->setFocus();
        QTRY_VERIFY(!w->txtvbprojectfilename->hasFocus());
    }

    // Chooses an item of a box from its drop-down list with the mouse.
    void pick(QComboBox* box, const QString& text) {
        const int index = box->findText(text);
        QVERIFY2(index >= 0, qPrintable(text));
        QSignalSpy activated(box, &QComboBox::activated);
        box->showPopup();
        QAbstractItemView* view = box->view();
        QTRY_VERIFY(view->isVisible());
        const QRect rect = view->visualRect(view->model()->index(index, box->modelColumn()));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        QTRY_COMPARE(activated.size(), 1);
        QCOMPARE(box->currentText(), text);
    }

    void showTab(int tab) {
        w->tabqmt->setCurrentIndex(FrmMain::TabGeneralHelp - 1);
        w->tabqmt->setCurrentIndex(tab - 1);
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_messages.clear();
        m_fileAnswers.clear();
        m_answers.clear();
        // Message texts and file dialogs in one log, in the order they come.
        shell::setMessageHandler([this](const shell::MessageRequest& request) {
            m_messages << request.text;
            return m_answers.isEmpty() ? int(shell::vbOK) : m_answers.takeFirst();
        });
        shell::setFileDialogHandler([this](const shell::FileDialogRequest& request) {
            m_messages << QStringLiteral("dialog: ") + request.filter;
            return m_fileAnswers.isEmpty() ? QString() : m_fileAnswers.takeFirst();
        });
        QVERIFY(testenv::writeAll(
            path(QStringLiteral("app/app.vbp")),
            crlf({"Type=Exe", "Form=frmMain.frm", "Module=M; m.bas", "Form=Forms\\frmAbout.frm"})));
        QVERIFY(testenv::writeAll(path(QStringLiteral("app/frmMain.frm")), kMainForm));
        QVERIFY(testenv::writeAll(
            path(QStringLiteral("app/FORMS/FRMABOUT.FRM")),
            appfixture::formFile("frmAbout", {"   Begin VB.Label lblVersion ", "   End"})));
        QVERIFY(testenv::freshProject(path(QStringLiteral("proj.QMT"))));

        w = testenv::shownWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QVERIFY(w->DataBaseOpen(path(QStringLiteral("proj.QMT"))));
        showTab(FrmMain::TabCreate);
        m_messages.clear();
    }
    void cleanup() {
        w.reset();
        shell::setMessageHandler({});
        shell::setFileDialogHandler({});
        m_dir.reset();
    }

    void projectFieldReadsTheProject() {
        QVERIFY(!w->chkvbproject->isEnabled());
        enterProjectFile(path(QStringLiteral("app/app.vbp")));
        QCOMPARE(m_messages, QStringList());
        QVERIFY(w->chkvbproject->isEnabled());
        QCOMPARE(w->session().appProjectPath, path(QStringLiteral("app/app.vbp")));
        const QStringList forms{QStringLiteral("frmMain"), QStringLiteral("frmAbout")};
        QCOMPARE(items(w->cbottform), forms);
        QCOMPARE(items(w->cbowtform), forms);
        QCOMPARE(w->cbottform->currentText(), QString());

        // Leaving it unchanged reads nothing: the forms table stays as it is.
        w->session().forms.clear();
        w->txtvbprojectfilename->setFocus();
        w->txthelpprojecttitle->setFocus();
        QVERIFY(w->session().forms.empty());
        QCOMPARE(m_messages, QStringList());

        // Leaving it empty reads nothing and shows no message either.
        enterProjectFile(QString());
        QCOMPARE(w->txtvbprojectfilename->text(), QString());
        QVERIFY(!w->chkvbproject->isEnabled());
        QCOMPARE(m_messages, QStringList());
        QCOMPARE(w->session().appProjectPath, path(QStringLiteral("app/app.vbp")));
    }

    // A mistyped name is told by what is wrong with it; the text stays for
    // mending, the focus comes back, and the project read last stays in use.
    void invalidProjectFileNamesAreRefused() {
        enterProjectFile(path(QStringLiteral("app/app.vbp")));
        const QStringList forms = items(w->cbottform);
        QCOMPARE(forms.size(), 2);
        // A file may be called "*.vbp" here; a wildcard text is still refused.
        QVERIFY(testenv::writeAll(path(QStringLiteral("app/*.vbp")), "Form=frmMain.frm\r\n"));
        const struct {
            QString text;
            QString message;
        } cases[] = {
            {path(QStringLiteral("app/none.vbp")), QStringLiteral("The application project file ") +
                                                       path(QStringLiteral("app/none.vbp")) +
                                                       QStringLiteral(" was not found.")},
            {path(QStringLiteral("app/*.vbp")),
             path(QStringLiteral("app/*.vbp")) +
                 QStringLiteral(" is not a project file name: * and ? stand for many files.")},
            {path(QStringLiteral("app")),
             path(QStringLiteral("app")) +
                 QStringLiteral(" is a folder; name the application project file (*.VBP) in it.")},
        };
        for (const auto& c : cases) {
            m_messages.clear();
            enterProjectFile(c.text);
            QCOMPARE(m_messages, QStringList{c.message});
            QCOMPARE(w->txtvbprojectfilename->text(), c.text);
            QTRY_VERIFY(w->txtvbprojectfilename->hasFocus());
            QCOMPARE(w->session().appProjectPath, path(QStringLiteral("app/app.vbp")));
            QCOMPARE(items(w->cbottform), forms);
            // Leaving it again unchanged tells nothing more.
            w->txthelpprojecttitle->setFocus();
            QTRY_VERIFY(!w->txtvbprojectfilename->hasFocus());
            QCOMPARE(m_messages.size(), 1);
        }
    }

    void projectOpenedWithAMissingApplicationProject() {
        {
            auto project = dao::Database::OpenDatabase(path(QStringLiteral("proj.QMT")));
            auto rs = project->OpenRecordset(QStringLiteral("select * from Options"));
            rs->AddNew();
            rs->SetField(QStringLiteral("Option"), QStringLiteral("VBPF"));
            rs->SetField(QStringLiteral("Descr"), path(QStringLiteral("gone/app.vbp")));
            rs->SetField(QStringLiteral("Status"), QStringLiteral("A"));
            rs->Update();
        }
        w->cbottform->addItem(QStringLiteral("stale"));
        m_fileAnswers << path(QStringLiteral("proj.QMT"));
        w->mnuopen->trigger();
        m_messages.removeFirst(); // the file dialog
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages.first().contains(path(QStringLiteral("gone/app.vbp"))));
        QVERIFY(w->session().forms.empty());
        QCOMPARE(w->cbottform->count(), 0);
    }

    void browseButton() {
        w->txthelpprojecttitle->setFocus();
        w->txtvbprojectfilename->setText(QStringLiteral("kept.vbp"));
        // Cancelled: the field keeps its text, no message.
        QTest::mouseClick(w->cmdvbproectfilebrowse, Qt::LeftButton);
        QCOMPARE(m_messages,
                 QStringList{QStringLiteral("dialog: Visual Basic Projects (*.VBP)|*.VBP")});
        QCOMPARE(w->txtvbprojectfilename->text(), QStringLiteral("kept.vbp"));

        m_messages.clear();
        m_fileAnswers << path(QStringLiteral("app/none.vbp"));
        QTest::mouseClick(w->cmdvbproectfilebrowse, Qt::LeftButton);
        QCOMPARE(m_messages.value(1),
                 QStringLiteral("You need to select an existing Visual Basic project file"));
        QCOMPARE(w->txtvbprojectfilename->text(), QString());
        QTRY_VERIFY(w->txtvbprojectfilename->hasFocus());

        m_messages.clear();
        m_fileAnswers << path(QStringLiteral("app/app.vbp"));
        QTest::mouseClick(w->cmdvbproectfilebrowse, Qt::LeftButton);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(w->txtvbprojectfilename->text(), path(QStringLiteral("app/app.vbp")));
        // The chosen project is read: its forms are listed at once.
        QCOMPARE(items(w->cbottform),
                 (QStringList{QStringLiteral("frmMain"), QStringLiteral("frmAbout")}));
    }

    void pickingAFormListsItsObjects() {
        enterProjectFile(path(QStringLiteral("app/app.vbp")));
        showTab(FrmMain::TabToolTips);
        ProgressSeen seen;
        qApp->installEventFilter(&seen);
        pick(w->cbottform, QStringLiteral("frmMain"));
        qApp->removeEventFilter(&seen);
        QCOMPARE(items(w->cbottobject),
                 (QStringList{QStringLiteral("frmMain"), QStringLiteral("fraData"),
                              QStringLiteral("txtName"), QStringLiteral("txtCity")}));
        QCOMPARE(w->cbottobject->currentText(), QString());
        // Each control's type goes beside its name; the name stays the item's text.
        QStringList types;
        for (int i = 0; i < w->cbottobject->count(); ++i)
            types << w->cbottobject->itemData(i, ApplicationForms::ControlTypeRole).toString();
        QCOMPARE(types, (QStringList{QStringLiteral("VB.Form"), QStringLiteral("VB.Frame"),
                                     QStringLiteral("VB.TextBox"), QStringLiteral("VB.TextBox")}));
        QCOMPARE(seen.shown, 1);
        QCOMPARE(seen.caption, QStringLiteral("Processing form frmMain"));
        QCOMPARE(seen.title, w->windowTitle().remove(QStringLiteral("[*]")));
        QCOMPARE(seen.minimum, 1);
        QCOMPARE(seen.maximum, int(kMainForm.size()));
        QCOMPARE(seen.lastValue, int(kMainForm.size()));
        QVERIFY(!w->findChild<QWidget*>(QStringLiteral("frmprogress")) ||
                !w->findChild<QWidget*>(QStringLiteral("frmprogress"))->isVisible());
        QVERIFY(!QApplication::overrideCursor());

        // Another form replaces the list; the other tab's list is its own.
        pick(w->cbottform, QStringLiteral("frmAbout"));
        QCOMPARE(items(w->cbottobject),
                 (QStringList{QStringLiteral("frmAbout"), QStringLiteral("lblVersion")}));
        QCOMPARE(w->cbowtobject->count(), 0);
        QCOMPARE(m_messages, QStringList());

        // A form file that went away is reported and lists nothing.
        QVERIFY(QFile::remove(path(QStringLiteral("app/frmMain.frm"))));
        pick(w->cbottform, QStringLiteral("frmMain"));
        QCOMPARE(w->cbottobject->count(), 0);
        QCOMPARE(m_messages.size(), 1);
    }

    // OK keeps the form and its controls for the next tip; Cancel empties all.
    void toolTipOkKeepsTheForm() {
        enterProjectFile(path(QStringLiteral("app/app.vbp")));
        showTab(FrmMain::TabToolTips);
        pick(w->cbottform, QStringLiteral("frmMain"));
        pick(w->cbottobject, QStringLiteral("txtName"));
        w->txttooltiptext->setText(QStringLiteral("Your name"));
        QVERIFY(w->cmdok->isEnabled());
        QTest::mouseClick(w->cmdok, Qt::LeftButton);
        QCOMPARE(m_messages, QStringList());
        QCOMPARE(w->cbottform->currentText(), QStringLiteral("frmMain"));
        QCOMPARE(w->cbottobject->currentText(), QString());
        QCOMPARE(w->cbottobject->count(), 4);
        QVERIFY(w->txttooltiptext->text().isEmpty());
        QVERIFY(!w->cmdok->isEnabled());
        QVERIFY(!w->cmddelete->isEnabled());
        pick(w->cbottobject, QStringLiteral("txtName"));
        QCOMPARE(w->txttooltiptext->text(), QStringLiteral("Your name"));
        QTest::mouseClick(w->cmdcancel, Qt::LeftButton);
        QCOMPARE(w->cbottform->currentText(), QString());
    }

    // A control whose type cannot take the entry is marked in the list, and
    // OK asks before storing it or an entry for a control not on the form.
    void controlsThatCannotTakeTheEntryAreMarked() {
        enterProjectFile(path(QStringLiteral("app/app.vbp")));
        showTab(FrmMain::TabToolTips);
        pick(w->cbottform, QStringLiteral("frmMain"));
        QStringList notes;
        for (int i = 0; i < w->cbottobject->count(); ++i)
            notes << w->cbottobject->itemData(i, ui::ControlNoteRole).toString();
        QCOMPARE(notes,
                 (QStringList{QStringLiteral("no ToolTipText"), QString(), QString(), QString()}));
        const struct {
            const char* control;
            int answer; // 1 save anyway, 2 go back
            const char* warning;
            int stored;
        } rows[] = {
            {"frmMain", 2, "frmMain.frmMain is a VB.Form, which has no ToolTipText", 0},
            {"txtGhost", 1, "The form frmMain has no control txtGhost", 1},
            {"txtName", 1, nullptr, 2},
        };
        for (const auto& row : rows) {
            m_messages.clear();
            m_answers = {row.answer};
            w->cbottobject->setEditText(QString::fromLatin1(row.control));
            w->txttooltiptext->setText(QStringLiteral("tip"));
            QVERIFY(w->cmdok->isEnabled());
            QTest::mouseClick(w->cmdok, Qt::LeftButton);
            if (row.warning) {
                QCOMPARE(m_messages.size(), 1);
                QVERIFY2(m_messages[0].startsWith(QString::fromLatin1(row.warning)),
                         qPrintable(m_messages[0]));
            } else {
                QCOMPARE(m_messages, QStringList());
            }
            QCOMPARE(testenv::countRows(db(), QStringLiteral("select * from tooltips")),
                     row.stored);
        }
        // What's This: the form takes a context ID but no What's This ID.
        showTab(FrmMain::TabWhatsThis);
        pick(w->cbowtform, QStringLiteral("frmMain"));
        QVERIFY(w->cbowtobject->itemData(0, ui::ControlNoteRole).toString().isEmpty());
        QVERIFY(w->cbowtobject->itemData(0, Qt::ToolTipRole)
                    .toString()
                    .contains(u"no WhatsThisHelpID"));
        pick(w->cbowtobject, QStringLiteral("frmMain"));
        w->cbowttopicid->setEditText(QStringLiteral("IDH_MAIN"));
        w->txtwthelptext->setPlainText(QStringLiteral("Main window"));
        w->txtwtmapnumber->setText(QStringLiteral("3"));
        testenv::click(w->chkwtwthlp);
        m_messages.clear();
        m_answers = {2};
        QTest::mouseClick(w->cmdok, Qt::LeftButton);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages[0].contains(u"has no WhatsThisHelpID"));
        QCOMPARE(testenv::countRows(db(), QStringLiteral("select * from whatsthis")), 0);
        testenv::click(w->chkwtwthlp);
        testenv::click(w->chkwtconsenhlp);
        m_messages.clear();
        QTest::mouseClick(w->cmdok, Qt::LeftButton);
        QCOMPARE(m_messages, QStringList());
        QCOMPARE(testenv::countRows(db(), QStringLiteral("select * from whatsthis")), 1);
    }

    void toolTipRecordIsShown() {
        appfixture::addToolTip(db(), QStringLiteral("frmMain.txtName"),
                               QStringLiteral("Your name"));
        enterProjectFile(path(QStringLiteral("app/app.vbp")));
        showTab(FrmMain::TabToolTips);
        pick(w->cbottform, QStringLiteral("frmMain"));
        pick(w->cbottobject, QStringLiteral("txtName"));
        QCOMPARE(w->txttooltiptext->text(), QStringLiteral("Your name"));
        // No record: the tip starts empty, so that typing cannot go to the
        // control picked before.
        pick(w->cbottobject, QStringLiteral("txtCity"));
        QCOMPARE(w->txttooltiptext->text(), QString());
        QCOMPARE(m_messages, QStringList());
    }

    void whatsThisRecordIsShown() {
        appfixture::addWhatsThis(db(), QStringLiteral("frmMain.txtName"), QStringLiteral("WhtS"), 7,
                                 QStringLiteral("NAME_TOPIC"), QStringLiteral("Type a name"));
        appfixture::addWhatsThis(db(), QStringLiteral("frmMain.txtCity"), QStringLiteral("ConS"), 8,
                                 QStringLiteral("CITY_TOPIC"), QVariant());
        appfixture::addWhatsThis(db(), QStringLiteral("frmMain.fraData"), QStringLiteral("Both"),
                                 9);
        enterProjectFile(path(QStringLiteral("app/app.vbp")));
        showTab(FrmMain::TabWhatsThis);
        pick(w->cbowtform, QStringLiteral("frmMain"));
        QCOMPARE(w->cbowtobject->count(), 4);

        pick(w->cbowtobject, QStringLiteral("txtName"));
        QCOMPARE(w->txtwtmapnumber->text(), QStringLiteral("7"));
        QCOMPARE(w->txtwthelptext->toPlainText(), QStringLiteral("Type a name"));
        QCOMPARE(w->cbowttopicid->currentText(), QStringLiteral("NAME_TOPIC"));
        QVERIFY(w->chkwtwthlp->isChecked());
        QVERIFY(!w->chkwtconsenhlp->isChecked());

        // ConS after WhtS leaves only the context-sensitive box ticked; a null
        // help text shows as an empty text.
        pick(w->cbowtobject, QStringLiteral("txtCity"));
        QVERIFY(!w->chkwtwthlp->isChecked());
        QVERIFY(w->chkwtconsenhlp->isChecked());
        QCOMPARE(w->txtwtmapnumber->text(), QStringLiteral("8"));
        QCOMPARE(w->txtwthelptext->toPlainText(), QString());
        QCOMPARE(w->cbowttopicid->currentText(), QStringLiteral("CITY_TOPIC"));

        pick(w->cbowtobject, QStringLiteral("fraData"));
        QVERIFY(w->chkwtwthlp->isChecked() && w->chkwtconsenhlp->isChecked());

        // No record: both boxes cleared, the entry's fields empty.
        pick(w->cbowtobject, QStringLiteral("frmMain"));
        QVERIFY(!w->chkwtwthlp->isChecked() && !w->chkwtconsenhlp->isChecked());
        QCOMPARE(w->txtwtmapnumber->text(), QString());
        QCOMPARE(w->txtwthelptext->toPlainText(), QString());
        QCOMPARE(m_messages, QStringList());
    }

    void topicPicksFillTheTab() {
        appfixture::addWhatsThis(db(), QStringLiteral("frmAbout.lblVersion"),
                                 QStringLiteral("ConS"), 12, QStringLiteral("VERSION_TOPIC"),
                                 QStringLiteral("The version"));
        appfixture::addTopic(db(), QStringLiteral("GENERAL"), 44, QStringLiteral("General text"));
        appfixture::addTopic(db(), QStringLiteral("OTHER"), 45, QStringLiteral("Other text"));
        QVERIFY(w->DataBaseOpen(w->session().projectPath)); // the lists show the new rows
        enterProjectFile(path(QStringLiteral("app/app.vbp")));
        showTab(FrmMain::TabWhatsThis);
        pick(w->cbowtform, QStringLiteral("frmMain"));

        // The object belongs to another form than the object list: the boxes
        // show it and the list stays as it was.
        pick(w->cbowttopicid, QStringLiteral("VERSION_TOPIC"));
        QCOMPARE(w->cbowtform->currentText(), QStringLiteral("frmAbout"));
        QCOMPARE(w->cbowtobject->currentText(), QStringLiteral("lblVersion"));
        QCOMPARE(w->cbowtobject->count(), 4);
        QCOMPARE(w->txtwtmapnumber->text(), QStringLiteral("12"));
        QCOMPARE(w->txtwthelptext->toPlainText(), QStringLiteral("The version"));
        QVERIFY(w->chkwtconsenhlp->isChecked() && !w->chkwtwthlp->isChecked());

        // A general help topic brings its own map number (a topic has one)
        // and its text.
        w->txtwtmapnumber->setText(QStringLiteral("77"));
        pick(w->cbowttopicid, QStringLiteral("GENERAL"));
        QCOMPARE(w->txtwtmapnumber->text(), QStringLiteral("44"));
        QCOMPARE(w->txtwthelptext->toPlainText(), QStringLiteral("General text"));
        QVERIFY(!w->chkwtconsenhlp->isChecked());
        QCOMPARE(w->cbowtform->currentText(), QStringLiteral("frmAbout"));
        QCOMPARE(m_messages, QStringList());
        // The control now shows another topic: an unsaved change.
        QVERIFY(w->isWindowModified());

        // Another general topic replaces what the first one brought, but
        // not a text the author typed.
        pick(w->cbowttopicid, QStringLiteral("OTHER"));
        QCOMPARE(w->txtwthelptext->toPlainText(), QStringLiteral("Other text"));
        QCOMPARE(w->txtwtmapnumber->text(), QStringLiteral("45"));
        w->txtwthelptext->setPlainText(QStringLiteral("Typed"));
        pick(w->cbowttopicid, QStringLiteral("GENERAL"));
        QCOMPARE(w->txtwthelptext->toPlainText(), QStringLiteral("Typed"));
        QCOMPARE(w->txtwtmapnumber->text(), QStringLiteral("44"));
        QCOMPARE(m_messages, QStringList());
    }
};

QTEST_MAIN(TestAppProjectTabs)
#include "tst_appprojecttabs.moc"
