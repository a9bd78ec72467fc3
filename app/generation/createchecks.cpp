#include "createchecks.h"

#include "contents/contentsfilewriter.h"
#include "contents/contentstable.h"
#include "dao.h"
#include "resources/stringtable.h"
#include "rtf/helptext.h"
#include "workspace/filltemplate.h"
#include "workspace/textrules.h"

#include <QSet>

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
        // The help project file takes ";" for the start of a comment.
        if (all || s.windowsHelp()) {
            for (const auto& [name, label] :
                 {std::pair{&s.rtfFileName, str::caption::RtfFileName},
                  std::pair{&s.helpFileName, str::caption::HelpFileName},
                  std::pair{&s.contentsFileName, str::caption::ContentsFileName}})
                if (name->contains(u';'))
                    check.add(u"The " + LoadResString(label) +
                              QStringLiteral(" holds \";\", which a WinHelp help project file "
                                             "takes for the start of a comment. Choose a name "
                                             "without it."));
        }
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
        const QString of = u" of topic " + id;
        check.text(rs->Text(QStringLiteral("TopicTitle")), u"The title" + of, Target::RtfLine);
        check.text(rs->Text(QStringLiteral("BrowseSeq")), u"The browse sequence" + of,
                   Target::RtfLine);
        check.text(rs->Text(QStringLiteral("Keywords")), u"The keywords" + of, Target::RtfText);
        check.text(rs->Text(QStringLiteral("HelpText")), u"The help text" + of, Target::RtfText);
    }
    for (auto rs = activeRows(db, str::table::WhatsThis); !rs->EOF_(); rs->MoveNext()) {
        const QString of = u" of the What's This entry " + rs->Text(QStringLiteral("Object"));
        check.contextString(rs->Text(QStringLiteral("TopicID")), u"The topic ID" + of);
        check.text(rs->Text(QStringLiteral("HelpText")), u"The help text" + of, Target::RtfText);
    }
}

void checkContents(dao::Database& db, Checker& check, QStringList& warnings) {
    for (const contents::ContentsRow& row :
         contents::ReadContentsRows(db, str::sql::ContentsInStoredOrder)) {
        const QString subject = u"The contents entry \"" + row.title + u'"';
        check.text(row.title, subject, Target::AnsiLine);
        // Written as it is; a contents tab may take the title to end there.
        if (row.title.contains(u'='))
            warnings << subject +
                            QStringLiteral(" holds \"=\": a help viewer's contents tab may cut "
                                           "its title there.");
        if (row.type == u"3")
            continue; // a heading has no topic
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

namespace {

// Topic IDs match without regard to the case of ASCII letters, as the
// project's keys do.
QString idKey(const QString& id) {
    QString key = id;
    for (QChar& c : key)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return key;
}

// The targets of a text's jumps and pop-ups within the help file.
QStringList linkTargets(const QString& text, rtf::LineEnds lineEnds) {
    QStringList targets;
    if (!text.contains(u"\\v")) // no hidden text, no hotspot
        return targets;
    for (const rtf::Paragraph& p : rtf::ReadHelpText(text, lineEnds))
        for (const rtf::Hotspot& h : p.hotspots)
            if (h.kind != rtf::HotspotKind::Macro && h.file.isEmpty() &&
                !targets.contains(h.target))
                targets << h.target;
    return targets;
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
    struct Linking {
        QString owner;
        QStringList targets;
    };
    std::vector<Linking> linking;
    QStringList topicIds; // what a jump or pop-up can lead to
    for (auto rs = activeRows(db, str::table::GeneralHelp); !rs->EOF_(); rs->MoveNext()) {
        QString id = rs->Text(QStringLiteral("TopicID"));
        const QString text = rs->Text(QStringLiteral("HelpText"));
        check(text, u"topic " + id);
        if (QStringList targets = linkTargets(text, rtf::LineEnds::Paragraphs); !targets.isEmpty())
            linking.push_back({u"Topic " + id, std::move(targets)});
        topicIds << std::move(id);
    }
    struct Entry {
        QString object, id;
    };
    std::vector<Entry> textless; // What's This entries without a text (or a topic ID) of their own
    for (auto rs = activeRows(db, str::table::WhatsThis); !rs->EOF_(); rs->MoveNext()) {
        QString object = rs->Text(QStringLiteral("Object"));
        const QString text = rs->Text(QStringLiteral("HelpText"));
        QString id = rs->Text(QStringLiteral("TopicID"));
        check(text, u"the What's This entry " + object);
        if (QStringList targets = linkTargets(text, rtf::LineEnds::Ignored); !targets.isEmpty())
            linking.push_back({u"The What's This entry " + object, std::move(targets)});
        if (id.isEmpty() || text.trimmed().isEmpty())
            textless.push_back({std::move(object), std::move(id)});
        else
            topicIds << std::move(id);
    }
    if (linking.empty() && textless.empty())
        return warnings; // nothing to look up: the usual case
    QSet<QString> topics;
    topics.reserve(topicIds.size());
    for (const QString& id : std::as_const(topicIds))
        topics.insert(idKey(id));
    // Links that lead nowhere, in both help files.
    for (const Linking& l : linking)
        for (const QString& target : l.targets)
            if (!topics.contains(idKey(target)))
                warnings << l.owner + QStringLiteral(" links to \"%1\", which is no topic of the "
                                                     "help file.")
                                          .arg(target);
    for (const Entry& e : textless)
        if (e.id.isEmpty() || !topics.contains(idKey(e.id)))
            warnings << QStringLiteral("The What's This entry %1 opens no topic: %2.")
                            .arg(e.object, e.id.isEmpty() ? QStringLiteral("it has no topic ID")
                                                          : u"no topic has the ID \"" + e.id +
                                                                u"\" and the entry has no text");
    return warnings;
}

CreateInputProblems CheckCreateInputs(const CreateSettings& s, dao::Database& db) {
    CreateInputProblems problems;
    const auto run = [](QStringList& into, const auto& checks) {
        Checker check;
        checks(check);
        into = check.problems;
    };
    run(problems.settings, [&](Checker& check) { checkSettings(s, check, false); });
    if (s.generalHelpDue()) {
        run(problems.generalHelp, [&](Checker& check) { checkTopics(db, check); });
        if (CreateSettings::ticked(s.createContentsFile))
            run(problems.contentsFile,
                [&](Checker& check) { checkContents(db, check, problems.warnings); });
    }
    if (CreateSettings::ticked(s.createToolTips))
        run(problems.toolTips, [&](Checker& check) { checkToolTips(db, check); });
    return problems;
}

QStringList CheckCreateTabTexts(const CreateSettings& s) {
    Checker check;
    checkSettings(s, check, true);
    return check.problems;
}
