#include "generalhelptab.h"

#include "contents/contentstable.h"
#include "generation/htmlpages.h"
#include "listutil.h"
#include "resources/stringids.h"
#include "resources/stringtable.h"
#include "rtf/helptext.h"
#include "shell/dialogs.h"
#include "ui/captions.h"
#include "ui/commandguard.h"
#include "ui/helppreview.h"
#include "ui/roomleft.h"
#include "ui/topicmodel.h"
#include "ui/uiutil.h"
#include "ui_generalhelptab.h"
#include "workspace/mapnumbers.h"
#include "workspace/records.h"
#include "workspace/session.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTextBrowser>

GeneralHelpTab::GeneralHelpTab(TabContext& context)
    : TabPage(context, tr("General Help")), ui(std::make_unique<Ui::GeneralHelpTab>()) {
    ui->setupUi(this);
    ui->cbotopicid->setModel(topics().generalTopics());
    ui::keepTextWhileItemsChange(ui->cbotopicid);
    // Typing in the ID box finds a topic: it is no edit (OK asks about a changed ID).
    onPick(ui->cbotopicid, [this] { cbotopicid_Click(); });
    for (QLineEdit* box : {ui->txttopictitle, ui->txtkeywords, ui->txtbrowseseq, ui->txttopicheader,
                           ui->txtmapnumber})
        watch(box);
    watch(ui->txtgenhelptext);
    connect(ui->cmdghnextmapnum, &QPushButton::clicked, this, [this] { cmdghnextmapnum_Click(); });
    const auto check = [this] { emit changed(); };
    connect(ui->cbotopicid, &QComboBox::currentTextChanged, this, check);
    connect(ui->txtgenhelptext, &QPlainTextEdit::textChanged, this, check);

    // The preview follows the typing, a moment after it pauses.
    m_preview.setSingleShot(true);
    m_preview.setInterval(150);
    connect(&m_preview, &QTimer::timeout, this, [this] { showPreview(); });
    const auto later = [this] { m_preview.start(); };
    connect(ui->txtgenhelptext, &QPlainTextEdit::textChanged, this, later);
    connect(ui->txttopicheader, &QLineEdit::textChanged, this, later);
    connect(ui->txttopictitle, &QLineEdit::textChanged, this, later);
    ui->splgenhelptext->setStretchFactor(0, 3);
    ui->splgenhelptext->setStretchFactor(1, 2);

    // The inputs hold no more than their fields in the project file.
    if (ui->cbotopicid->lineEdit())
        ui->cbotopicid->lineEdit()->setMaxLength(records::TopicIdSize);
    ui->txttopictitle->setMaxLength(records::TopicTitleSize);
    ui->txtbrowseseq->setMaxLength(records::BrowseSeqSize);
    ui->txttopicheader->setMaxLength(records::TopicHeaderSize);
    const auto say = [this](const QString& note) { emit status(note, 6000); };
    ui::showRoomLeft(ui->cbotopicid->lineEdit(), LoadResString(str::caption::TopicId), say);
    ui::showRoomLeft(ui->txttopictitle, LoadResString(str::caption::TopicTitle), say);
    ui::showRoomLeft(ui->txtbrowseseq, LoadResString(str::caption::BrowseSequence), say);
    ui::showRoomLeft(ui->txttopicheader, LoadResString(str::caption::TopicHeader), say);
    for (QLabel* footnote : {ui->lbltopicidfootnote, ui->lbltopictitlefootnote, ui->lblkfootnote,
                             ui->lblbrowsefootnote})
        footnote->setForegroundRole(QPalette::PlaceholderText);
}

GeneralHelpTab::~GeneralHelpTab() = default;

void GeneralHelpTab::loadStrings() {
    ui::loadCaptions({{ui->cmdghnextmapnum, str::caption::Next},
                      {ui->lblhelptext, str::caption::HelpText},
                      {ui->lbltopicheader, str::caption::TopicHeader},
                      {ui->lblmapnumber, str::caption::TopicMapNumber},
                      {ui->lblbrowsefootnote, str::caption::PlusFootnote},
                      {ui->lbltopictitlefootnote, str::caption::DollarFootnote},
                      {ui->lbltopicidfootnote, str::caption::HashFootnote},
                      {ui->lblkfootnote, str::caption::KFootnote},
                      {ui->lblkeywords, str::caption::Keywords},
                      {ui->lblbrowseseq, str::caption::BrowseSequence},
                      {ui->lbltopictitle, str::caption::TopicTitle},
                      {ui->lbltopicid, str::caption::TopicId}});
}

QPlainTextEdit* GeneralHelpTab::zoomText() const {
    return ui->txtgenhelptext;
}

void GeneralHelpTab::shown() {
    ui->cbotopicid->setFocus();
}

records::ButtonStates GeneralHelpTab::checkForOk() {
    return records::CheckGeneralHelp(
        {ui->cbotopicid->currentText(), ui->txtgenhelptext->toPlainText()});
}

void GeneralHelpTab::clear() {
    const QuietChanges quiet(*this);
    ui::clearText(ui->cbotopicid);
    for (QLineEdit* box : {ui->txttopictitle, ui->txtbrowseseq, ui->txtmapnumber, ui->txtkeywords,
                           ui->txttopicheader})
        box->clear();
    ui->txtgenhelptext->clear();
    ui->cbotopicid->setFocus();
    m_loadedTopicId.clear();
    setModified(false);
}

void GeneralHelpTab::save() {
    const QString topicId = ui->cbotopicid->currentText();
    records::GeneralHelpRecord record{
        topicId,
        ui->txttopictitle->text(),
        ui->txtbrowseseq->text(),
        ui->txtkeywords->text(),
        ui->txttopicheader->text(),
        confirmCodes(tr("The topic %1").arg(topicId), ui->txtgenhelptext),
        ui->txtmapnumber->text()};
    // A changed ID renames the topic shown, or makes a new one: the author says which.
    const QString loaded = m_loadedTopicId;
    if (!loaded.isEmpty() && loaded != record.topicId &&
        !records::LoadGeneralHelp(*session().db, record.topicId)) {
        const int choice = shell::Choose(
            tr("Rename %1 to %2, or save as a new topic?\n\nRenaming takes the contents "
               "entries and What's This entries of %1 along; a new topic leaves %1 as it is "
               "and gets a map number of its own.")
                .arg(loaded, record.topicId),
            {tr("&Rename"), tr("Save as &new topic"), tr("Cancel")});
        if (choice == 2)
            throw ui::Cancelled();
        // The copy's number came with the topic shown: it takes the next free one.
        if (const auto own = records::MapNumberOfTopic(*session().db, loaded);
            choice == 1 && own && record.mapNumber == QString::number(*own)) {
            if (const int next = mapnumbers::NextMapNumber(*session().db);
                next <= mapnumbers::MaxMapNumber) {
                record.mapNumber = QString::number(next);
                const QuietChanges quiet(*this);
                ui->txtmapnumber->setText(record.mapNumber);
            }
        }
        if (choice == 0) {
            const auto renamed = records::RenameGeneralHelp(*session().db, loaded, record);
            // Every topic list follows at once.
            topics().drop(loaded, TopicModel::General);
            topics().add(record.topicId, TopicModel::General);
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
    records::SaveGeneralHelp(*session().db, record);
    topics().add(record.topicId, TopicModel::General);
}

bool GeneralHelpTab::remove() {
    const QString topicId = ui->cbotopicid->currentText();
    // A topic still in use is deleted only when the author says so.
    QStringList uses;
    const QStringList entries = contents::EntriesOfTopic(*session().db, topicId);
    if (!entries.isEmpty())
        uses << tr("the contents entries \"%1\"").arg(entries.join(QStringLiteral("\", \"")));
    const QStringList controls = records::WhatsThisEntriesOfTopic(*session().db, topicId);
    if (!controls.isEmpty())
        uses << tr("the What's This entries of %1").arg(controls.join(QStringLiteral(", ")));
    if (uses.isEmpty() ? !confirmDelete(tr("the topic %1").arg(topicId))
                       : shell::MsgBox(tr("The topic %1 is still used by %2. Delete it anyway?")
                                           .arg(topicId, uses.join(tr(" and "))),
                                       shell::vbQuestion + shell::vbOKCancel) != shell::vbOK)
        return false;
    const bool deleted = records::DeleteGeneralHelp(*session().db, topicId);
    if (deleted)
        told(tr("Deleted the topic %1.").arg(topicId));
    // Every topic list lets it go at once.
    topics().drop(topicId, TopicModel::General);
    return deleted;
}

void GeneralHelpTab::cbotopicid_Click() {
    const QString topicId = ui->cbotopicid->currentText();
    if (session().isOpen() && !topicId.isEmpty()) {
        ui::runCommand([&] {
            const auto record = records::LoadGeneralHelp(*session().db, topicId);
            if (!record)
                return;
            m_loadedTopicId = record->topicId;
            const QuietChanges quiet(*this);
            ui->txttopictitle->setText(record->title);
            ui->txtbrowseseq->setText(record->browseSeq);
            ui->txtkeywords->setText(record->keywords);
            ui->txttopicheader->setText(record->topicHeader);
            ui::showStoredText(ui->txtgenhelptext, record->helpText);
            ui->txtmapnumber->setText(record->mapNumber);
            setModified(false);
        });
    }
    emit changed();
}

void GeneralHelpTab::cmdghnextmapnum_Click() {
    putNextMapNumber(session(), ui->txtmapnumber);
}

// The proposal replaces the box's text; without a project the box is
// emptied; once every number is used the box keeps its text.
void GeneralHelpTab::putNextMapNumber(Session& session, QLineEdit* box) {
    ui::runCommand([&] {
        if (!session.isOpen()) {
            box->clear();
            return;
        }
        const int next = mapnumbers::NextMapNumber(*session.db);
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
        return ui->cbotopicid;
    case TopicTitle:
        return ui->txttopictitle;
    case BrowseSequence:
        return ui->txtbrowseseq;
    case Keywords:
        return ui->txtkeywords;
    case TopicHeader:
        return ui->txttopicheader;
    case HelpText:
        return ui->txtgenhelptext;
    case TopicMapNumber:
        return ui->txtmapnumber;
    default:
        return nullptr;
    }
}

void GeneralHelpTab::showPreview() {
    // The topic as its help page shows it: its heading, then the text with
    // its codes read.
    ui->txtgenpreview->setHtml(
        ui::HelpPreviewHtml(TopicHeading(ui->txttopictitle->text(), ui->txttopicheader->text()),
                            ui::storedText(ui->txtgenhelptext), m_fonts));
}

void GeneralHelpTab::setHelpFonts(HelpFonts fonts) {
    m_fonts = std::move(fonts);
    m_preview.start();
}
