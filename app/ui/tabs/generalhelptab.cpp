#include "generalhelptab.h"

#include "contents/contentstable.h"
#include "generation/htmlpages.h"
#include "listutil.h"
#include "resources/stringids.h"
#include "resources/stringtable.h"
#include "rtf/helptext.h"
#include "shell/dialogs.h"
#include "ui/commandguard.h"
#include "ui/frmmain.h"
#include "ui/roomleft.h"
#include "ui/uiutil.h"
#include "workspace/mapnumbers.h"
#include "workspace/records.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBrowser>

GeneralHelpTab::GeneralHelpTab(FrmMain& window) : TabPage(window, QStringLiteral("General Help")) {
    // Typing in the ID box finds a topic: it is no edit (OK asks about a changed ID).
    onPick(w.cbotopicid, [this] { cbotopicid_Click(); });
    for (QLineEdit* box :
         {w.txttopictitle, w.txtkeywords, w.txtbrowseseq, w.txttopicheader, w.txtmapnumber})
        watch(box);
    watch(w.txtgenhelptext);
    connect(w.cmdghnextmapnum, &QPushButton::clicked, this, [this] { cmdghnextmapnum_Click(); });
    const auto check = [this] { w.CheckForOk(); };
    connect(w.cbotopicid, &QComboBox::currentTextChanged, this, check);
    connect(w.txtgenhelptext, &QPlainTextEdit::textChanged, this, check);

    // The preview follows the typing, a moment after it pauses.
    m_preview.setSingleShot(true);
    m_preview.setInterval(150);
    connect(&m_preview, &QTimer::timeout, this, [this] { showPreview(); });
    const auto later = [this] { m_preview.start(); };
    connect(w.txtgenhelptext, &QPlainTextEdit::textChanged, this, later);
    connect(w.txttopicheader, &QLineEdit::textChanged, this, later);
    connect(w.txttopictitle, &QLineEdit::textChanged, this, later);
    w.splgenhelptext->setStretchFactor(0, 3);
    w.splgenhelptext->setStretchFactor(1, 2);

    // The inputs hold no more than their fields in the project file.
    if (w.cbotopicid->lineEdit())
        w.cbotopicid->lineEdit()->setMaxLength(records::TopicIdSize);
    w.txttopictitle->setMaxLength(records::TopicTitleSize);
    w.txtbrowseseq->setMaxLength(records::BrowseSeqSize);
    w.txttopicheader->setMaxLength(records::TopicHeaderSize);
    const auto say = [this](const QString& note) { w.statusBar()->showMessage(note, 6000); };
    ui::showRoomLeft(w.cbotopicid->lineEdit(), LoadResString(str::caption::TopicId), say);
    ui::showRoomLeft(w.txttopictitle, LoadResString(str::caption::TopicTitle), say);
    ui::showRoomLeft(w.txtbrowseseq, LoadResString(str::caption::BrowseSequence), say);
    ui::showRoomLeft(w.txttopicheader, LoadResString(str::caption::TopicHeader), say);
}

void GeneralHelpTab::shown() {
    w.cbotopicid->setFocus();
}

records::ButtonStates GeneralHelpTab::checkForOk() {
    return records::CheckGeneralHelp(
        {w.cbotopicid->currentText(), w.txtgenhelptext->toPlainText()});
}

void GeneralHelpTab::clear() {
    const QuietChanges quiet(*this);
    ui::clearText(w.cbotopicid);
    for (QLineEdit* box :
         {w.txttopictitle, w.txtbrowseseq, w.txtmapnumber, w.txtkeywords, w.txttopicheader})
        box->clear();
    w.txtgenhelptext->clear();
    w.cbotopicid->setFocus();
    m_loadedTopicId.clear();
    setModified(false);
}

void GeneralHelpTab::save() {
    const QString topicId = w.cbotopicid->currentText();
    records::GeneralHelpRecord record{
        topicId,
        w.txttopictitle->text(),
        w.txtbrowseseq->text(),
        w.txtkeywords->text(),
        w.txttopicheader->text(),
        confirmCodes(QStringLiteral("The topic ") + topicId, w.txtgenhelptext),
        w.txtmapnumber->text()};
    // A changed ID renames the topic shown, or makes a new one: the author says which.
    const QString loaded = m_loadedTopicId;
    if (!loaded.isEmpty() && loaded != record.topicId &&
        !records::LoadGeneralHelp(*session().db, record.topicId)) {
        const int choice = shell::Choose(
            QStringLiteral("Rename %1 to %2, or save as a new topic?\n\nRenaming takes the "
                           "contents entries and What's This entries of %1 along; a new topic "
                           "leaves %1 as it is and gets a map number of its own.")
                .arg(loaded, record.topicId),
            {QStringLiteral("&Rename"), QStringLiteral("Save as &new topic"),
             QStringLiteral("Cancel")});
        if (choice == 2)
            throw ui::Cancelled();
        // The copy's number came with the topic shown: it takes the next free one.
        if (const auto own = records::MapNumberOfTopic(*session().db, loaded);
            choice == 1 && own && record.mapNumber == QString::number(*own)) {
            if (const int next = mapnumbers::NextMapNumber(*session().db);
                next <= mapnumbers::MaxMapNumber) {
                record.mapNumber = QString::number(next);
                const QuietChanges quiet(*this);
                w.txtmapnumber->setText(record.mapNumber);
            }
        }
        if (choice == 0) {
            const auto renamed = records::RenameGeneralHelp(*session().db, loaded, record);
            for (QComboBox* box : {w.cbotopicid, w.cbocftopicid, w.cbowttopicid}) {
                ui::removeKeepingText(box, loaded);
                ui::addKeepingText(box, record.topicId);
            }
            const QString said = QStringLiteral("Renamed %1 to %2; %3 contents entries and %4 "
                                                "What's This entries follow it.")
                                     .arg(loaded, record.topicId)
                                     .arg(renamed.contentsEntries)
                                     .arg(renamed.whatsThisEntries);
            // After OK's own "saved", which would hide it.
            QTimer::singleShot(0, this, [this, said] { told(said); });
            return;
        }
    }
    if (records::SaveGeneralHelp(*session().db, record)) {
        for (QComboBox* box : {w.cbotopicid, w.cbocftopicid, w.cbowttopicid})
            ui::addKeepingText(box, record.topicId);
    }
}

bool GeneralHelpTab::remove() {
    const QString topicId = w.cbotopicid->currentText();
    // A topic still in use is deleted only when the author says so.
    QStringList uses;
    const QStringList entries = contents::EntriesOfTopic(*session().db, topicId);
    if (!entries.isEmpty())
        uses << QStringLiteral("the contents entries \"%1\"")
                    .arg(entries.join(QStringLiteral("\", \"")));
    const QStringList controls = records::WhatsThisEntriesOfTopic(*session().db, topicId);
    if (!controls.isEmpty())
        uses << QStringLiteral("the What's This entries of %1")
                    .arg(controls.join(QStringLiteral(", ")));
    if (uses.isEmpty()
            ? !confirmDelete(u"the topic " + topicId)
            : shell::MsgBox(QStringLiteral("The topic %1 is still used by %2. Delete it anyway?")
                                .arg(topicId, uses.join(QStringLiteral(" and "))),
                            shell::vbQuestion + shell::vbOKCancel) != shell::vbOK)
        return false;
    const bool deleted = records::DeleteGeneralHelp(*session().db, topicId);
    if (deleted)
        told(QStringLiteral("Deleted the topic %1.").arg(topicId));
    // The other topic lists keep it until the next open.
    ui::removeKeepingText(w.cbotopicid, topicId);
    return deleted;
}

void GeneralHelpTab::cbotopicid_Click() {
    const QString topicId = w.cbotopicid->currentText();
    if (session().isOpen() && !topicId.isEmpty()) {
        ui::runCommand([&] {
            const auto record = records::LoadGeneralHelp(*session().db, topicId);
            if (!record)
                return;
            m_loadedTopicId = record->topicId;
            const QuietChanges quiet(*this);
            w.txttopictitle->setText(record->title);
            w.txtbrowseseq->setText(record->browseSeq);
            w.txtkeywords->setText(record->keywords);
            w.txttopicheader->setText(record->topicHeader);
            ui::showStoredText(w.txtgenhelptext, record->helpText);
            w.txtmapnumber->setText(record->mapNumber);
            setModified(false);
        });
    }
    w.CheckForOk();
}

void GeneralHelpTab::cmdghnextmapnum_Click() {
    putNextMapNumber(w, w.txtmapnumber);
}

// The proposal replaces the box's text; without a project the box is
// emptied; once every number is used the box keeps its text.
void GeneralHelpTab::putNextMapNumber(FrmMain& window, QLineEdit* box) {
    ui::runCommand([&] {
        if (!window.session().isOpen()) {
            box->clear();
            return;
        }
        const int next = mapnumbers::NextMapNumber(*window.session().db);
        if (next > mapnumbers::MaxMapNumber) {
            shell::MsgBox(LoadResString(str::message::NoMapNumberLeft), shell::vbExclamation);
            return;
        }
        box->setText(QString::number(next));
    });
}

QWidget* GeneralHelpTab::field(int captionId) const {
    using namespace str::caption;
    switch (captionId) {
    case TopicId:
        return w.cbotopicid;
    case TopicTitle:
        return w.txttopictitle;
    case BrowseSequence:
        return w.txtbrowseseq;
    case Keywords:
        return w.txtkeywords;
    case TopicHeader:
        return w.txttopicheader;
    case HelpText:
        return w.txtgenhelptext;
    case TopicMapNumber:
        return w.txtmapnumber;
    default:
        return nullptr;
    }
}

void GeneralHelpTab::showPreview() {
    // The topic as its help page shows it: its heading, then the text with
    // its codes read.
    QString html;
    if (const QString heading = TopicHeading(w.txttopictitle->text(), w.txttopicheader->text());
        !heading.isEmpty())
        html = QStringLiteral("<h3>") + heading.toHtmlEscaped() + QStringLiteral("</h3>");
    html += rtf::HelpTextToHtml(ui::storedText(w.txtgenhelptext));
    w.txtgenpreview->setHtml(html);
}
