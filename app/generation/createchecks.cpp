#include "createchecks.h"

#include "contents/contentsfilewriter.h"
#include "contents/contentstable.h"
#include "dao.h"
#include "resources/stringtable.h"
#include "rtf/helptext.h"
#include "workspace/filltemplate.h"
#include "workspace/textrules.h"

using textrules::Target;

namespace {

const QString kActive = QStringLiteral("A");

class Checker {
public:
    void text(const QString& value, const QString& subject, Target target) {
        add(textrules::CheckText(value, subject, target));
    }
    void field(const QString& value, int label, Target target) {
        text(value, u"The " + LoadResString(label), target);
    }
    void contextString(const QString& value, const QString& subject) {
        add(textrules::CheckContextString(value, subject));
    }
    void add(const QString& problem) {
        if (!problem.isEmpty() && !problems.contains(problem))
            problems << problem;
    }
    QStringList problems;
};

void checkSettings(const CreateSettings& s, Checker& check, bool all) {
    const bool general = all || s.generalHelpDue();
    const bool forms = all || CreateSettings::ticked(s.createToolTips) ||
                       CreateSettings::ticked(s.createContextSensitiveHelp);
    if (general) {
        check.field(s.helpProjectTitle, str::caption::HelpProjectTitle, Target::AnsiLine);
        check.field(s.helpProjectFileName, str::caption::HelpProjectFileName, Target::FileName);
        check.field(s.rtfFileName, str::caption::RtfFileName, Target::AnsiLine);
        check.field(s.helpFileName, str::caption::HelpFileName, Target::AnsiLine);
        if (all || CreateSettings::ticked(s.createContentsFile))
            check.field(s.contentsFileName, str::caption::ContentsFileName, Target::AnsiLine);
        if (all || CreateSettings::ticked(s.vbProject))
            check.add(textrules::CheckQuotedValue(
                s.helpFileName, u"The " + LoadResString(str::caption::HelpFileName)));
    }
    if (general || forms)
        check.field(s.vbProjectFileName, str::caption::VbProjectFile, Target::FileName);
    if (all)
        check.field(s.indexFileName, str::caption::IndexFileName, Target::FileName);
}

std::unique_ptr<dao::Recordset> activeRows(dao::Database& db, int table) {
    return db.OpenRecordset(SelectWhere(QStringLiteral("*"), LoadResString(table),
                                        LoadResString(str::field::Status), kActive),
                            dao::dbOpenSnapshot);
}

void checkTopics(dao::Database& db, Checker& check) {
    for (auto rs = activeRows(db, str::table::GeneralHelp); !rs->EOF_(); rs->MoveNext()) {
        const QString id = rs->Text(QStringLiteral("TopicID"));
        check.contextString(id, QStringLiteral("The topic ID"));
        const QString of = u" of topic " + textrules::Printable(id);
        check.text(rs->Text(QStringLiteral("TopicTitle")), u"The title" + of, Target::RtfLine);
        check.text(rs->Text(QStringLiteral("BrowseSeq")), u"The browse sequence" + of,
                   Target::RtfLine);
        check.text(rs->Text(QStringLiteral("Keywords")), u"The keywords" + of, Target::RtfText);
        check.text(rs->Text(QStringLiteral("HelpText")), u"The help text" + of, Target::RtfText);
    }
    for (auto rs = activeRows(db, str::table::WhatsThis); !rs->EOF_(); rs->MoveNext()) {
        const QString of = u" of the What's This entry " +
                           textrules::Printable(rs->Text(QStringLiteral("Object")));
        check.contextString(rs->Text(QStringLiteral("TopicID")), u"The topic ID" + of);
        check.text(rs->Text(QStringLiteral("HelpText")), u"The help text" + of, Target::RtfText);
    }
}

void checkContents(dao::Database& db, Checker& check) {
    for (const contents::ContentsRow& row :
         contents::ReadContentsRows(db, str::sql::ContentsInStoredOrder)) {
        const QString subject = u"The contents entry \"" + row.title + u'"';
        check.text(row.title, subject, Target::AnsiLine);
        if (row.type == u"3")
            continue; // a heading has no topic
        if (row.title.contains(u'='))
            check.add(subject +
                      QStringLiteral(" holds \"=\", which would end its title early in the "
                                     "contents file."));
        check.contextString(ExtractTopicID(row.topicId), u"The topic ID of " + subject.mid(4));
    }
}

void checkToolTips(dao::Database& db, Checker& check) {
    auto rs = db.OpenRecordset(LoadResString(str::sql::ActiveToolTips), dao::dbOpenSnapshot);
    for (; !rs->EOF_(); rs->MoveNext())
        check.text(rs->Text(QStringLiteral("HelpText")),
                   u"The tool tip of " + rs->Text(QStringLiteral("Object")), Target::AnsiText);
}

} // namespace

QStringList CheckHelpTextCodes(const CreateSettings& s, dao::Database& db) {
    QStringList warnings;
    if (!s.generalHelpDue() && !s.htmlHelp())
        return warnings;
    const auto check = [&](const QString& text, const QString& owner) {
        for (const rtf::TextProblem& problem : rtf::CheckHelpText(text))
            warnings << u"The help text of " + owner + u": " + problem.message;
    };
    for (auto rs = activeRows(db, str::table::GeneralHelp); !rs->EOF_(); rs->MoveNext())
        check(rs->Text(QStringLiteral("HelpText")),
              u"topic " + rs->Text(QStringLiteral("TopicID")));
    for (auto rs = activeRows(db, str::table::WhatsThis); !rs->EOF_(); rs->MoveNext())
        check(rs->Text(QStringLiteral("HelpText")),
              u"the What's This entry " + rs->Text(QStringLiteral("Object")));
    return warnings;
}

QStringList CheckCreateInputs(const CreateSettings& s, dao::Database& db) {
    Checker check;
    checkSettings(s, check, false);
    if (s.generalHelpDue()) {
        checkTopics(db, check);
        if (CreateSettings::ticked(s.createContentsFile))
            checkContents(db, check);
    }
    if (CreateSettings::ticked(s.createToolTips))
        checkToolTips(db, check);
    return check.problems;
}

QStringList CheckCreateTabTexts(const CreateSettings& s) {
    Checker check;
    checkSettings(s, check, true);
    return check.problems;
}
