#include "createchecks.h"

#include "contents/contentsfilewriter.h"
#include "contents/contentsrules.h"
#include "contents/contentstable.h"
#include "dao.h"
#include "generation/generalhelp.h"
#include "generation/helpfonts.h"
#include "resources/stringtable.h"
#include "rtf/helptext.h"
#include "workspace/filltemplate.h"
#include "workspace/textrules.h"

#include <algorithm>

using textrules::Target;

namespace {

const QString kActive = QStringLiteral("A");

class Checker {
public:
    Checker() = default;
    explicit Checker(QStringList& into) : m_problems(&into) {}
    void text(const QString& value, const QString& subject, Target target) {
        add(textrules::CheckText(value, subject, target));
    }
    // The same for a text of a row: the subject is made only when the text is at fault.
    template <class Subject> void rowText(QStringView value, Subject&& subject, Target target) {
        if (!textrules::CheckText(value, QString(), target).isEmpty())
            add(textrules::CheckText(value, subject(), target));
    }
    template <class Subject> void rowContextString(QStringView value, Subject&& subject) {
        if (!plainContextString(value))
            contextString(value.toString(), subject());
    }
    void field(const QString& value, int label, Target target) {
        text(value, u"The " + LoadResString(label), target);
    }
    void contextString(const QString& value, const QString& subject) {
        add(textrules::CheckContextString(value, subject));
    }
    void add(const QString& problem) {
        if (!problem.isEmpty() && !m_problems->contains(problem))
            *m_problems << problem;
    }
    const QStringList& problems() const { return *m_problems; }

private:
    // Letters, digits and the usual punctuation of IDs: nothing to look at closer.
    static bool plainContextString(QStringView id) {
        if (id.isEmpty())
            return false;
        for (const QChar c : id) {
            const char16_t u = c.unicode();
            if (u <= 0x20 || u >= 0x7F || QStringView(u"=;#{}\\\"").contains(c))
                return false;
        }
        return true;
    }

    QStringList m_own;
    QStringList* m_problems = &m_own;
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
        // As the .vbp will name it (a path relative to the .vbp may take in folder names).
        if (all || CreateSettings::ticked(s.vbProject))
            check.add(textrules::CheckQuotedValue(
                HelpFileForVbProject(s), u"The " + LoadResString(str::caption::HelpFileName)));
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
    if (all) {
        check.field(s.indexFileName, str::caption::IndexFileName, Target::FileName);
        // The faces go into the ANSI topic file; Create itself only warns
        // about a face or colour it cannot use and puts another in its place.
        check.field(s.helpFonts, str::caption::HelpFonts, Target::AnsiLine);
        for (const QString& problem : HelpFontsProblems(s))
            check.add(problem);
    }
}

std::unique_ptr<dao::Recordset> activeRows(dao::Database& db, int table) {
    return db.OpenRecordset(SelectWhere(QStringLiteral("*"), LoadResString(table),
                                        LoadResString(str::field::Status), kActive),
                            dao::dbOpenSnapshot);
}

void checkContents(dao::Database& db, Checker& check, QStringList& warnings) {
    for (const contents::ContentsRow& row :
         contents::ReadContentsRows(db, str::sql::ContentsInStoredOrder)) {
        const QString subject = u"The contents entry \"" + row.title + u'"';
        check.text(row.title, subject, Target::AnsiLine);
        // Written as it is; a contents tab may take the title to end there.
        if (const QString warning = contents::TitleWarning(row.title); !warning.isEmpty())
            warnings << warning;
        if (row.type == u"3")
            continue; // a heading has no topic
        check.contextString(ExtractTopicID(row.topicId), u"The topic ID of " + subject.mid(4));
    }
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

void checkToolTips(dao::Database& db, Checker& check) {
    auto rs = db.OpenRecordset(LoadResString(str::sql::ActiveToolTips), dao::dbOpenSnapshot);
    for (; !rs->EOF_(); rs->MoveNext())
        check.text(rs->Text(QStringLiteral("HelpText")),
                   u"The tool tip of " + rs->Text(QStringLiteral("Object")), Target::AnsiText);
}

} // namespace

void CheckTopicTexts(const TopicTexts& t, QStringList& problems) {
    Checker check(problems);
    check.rowContextString(t.id, [&] { return QStringLiteral("The topic ID"); });
    const auto of = [&](const char16_t* what) -> QString {
        return QString::fromUtf16(what) + u" of topic " + textrules::Printable(t.id);
    };
    check.rowText(
        t.title, [&] { return of(u"The title"); }, Target::RtfLine);
    check.rowText(
        t.browse, [&] { return of(u"The browse sequence"); }, Target::RtfLine);
    check.rowText(
        t.keywords, [&] { return of(u"The keywords"); }, Target::RtfText);
    check.rowText(
        t.text, [&] { return of(u"The help text"); }, Target::RtfText);
}

void CheckWhatsThisTexts(const WhatsThisTexts& w, QStringList& problems) {
    Checker check(problems);
    const auto of = [&](const char16_t* what) -> QString {
        return QString::fromUtf16(what) + u" of the What's This entry " +
               textrules::Printable(w.object);
    };
    check.rowContextString(w.id, [&] { return of(u"The topic ID"); });
    check.rowText(
        w.text, [&] { return of(u"The help text"); }, Target::RtfText);
}

void CheckHelpTextCodesOf(const QString& text, const std::function<QString()>& owner,
                          QStringList& warnings) {
    for (const rtf::TextProblem& problem : rtf::CheckHelpText(text))
        warnings << u"The help text of " + owner() + u": " + problem.message;
}

namespace {

// A 64-bit hash of textrules::TopicIdKey(id), without making the key.
std::uint64_t topicKeyHash(const QString& id) {
    std::uint64_t h = 0xcbf29ce484222325u;
    for (QChar c : id) {
        char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z')
            u = char16_t(u + 32);
        h = (h ^ u) * 0x100000001b3u;
    }
    return h;
}

} // namespace

void LinkCheck::topic(const QString& id, const QString& text) {
    if (QStringList targets = linkTargets(text, rtf::LineEnds::Paragraphs); !targets.isEmpty())
        m_linking.push_back({u"Topic " + id, std::move(targets)});
    m_topicKeys.push_back(topicKeyHash(id));
}

void LinkCheck::whatsThis(const QString& object, const QString& id, const QString& text) {
    if (QStringList targets = linkTargets(text, rtf::LineEnds::Ignored); !targets.isEmpty())
        m_linking.push_back({u"The What's This entry " + object, std::move(targets)});
    if (id.isEmpty() || text.trimmed().isEmpty())
        m_textless.push_back({object, id});
    else
        m_topicKeys.push_back(topicKeyHash(id));
}

QStringList LinkCheck::warnings() const {
    QStringList warnings;
    if (m_linking.empty() && m_textless.empty())
        return warnings; // nothing to look up: the usual case
    std::vector<std::uint64_t> keys = m_topicKeys;
    std::sort(keys.begin(), keys.end());
    const auto isTopic = [&](const QString& id) {
        return std::binary_search(keys.begin(), keys.end(), topicKeyHash(id));
    };
    // Links that lead nowhere, in both help files.
    for (const Linking& l : m_linking)
        for (const QString& target : l.targets)
            if (!isTopic(target))
                warnings << l.owner + QStringLiteral(" links to \"%1\", which is no topic of the "
                                                     "help file.")
                                          .arg(target);
    for (const Entry& e : m_textless)
        if (e.id.isEmpty() || !isTopic(e.id))
            warnings << QStringLiteral("The What's This entry %1 opens no topic: %2.")
                            .arg(e.object, e.id.isEmpty() ? QStringLiteral("it has no topic ID")
                                                          : u"no topic has the ID \"" + e.id +
                                                                u"\" and the entry has no text");
    return warnings;
}

QStringList CheckHelpTextCodes(const CreateSettings& s, dao::Database& db) {
    QStringList warnings;
    if (!s.generalHelpDue() && !s.htmlHelp())
        return warnings;
    LinkCheck links;
    for (auto rs = activeRows(db, str::table::GeneralHelp); !rs->EOF_(); rs->MoveNext()) {
        const QString id = rs->Text(QStringLiteral("TopicID"));
        const QString text = rs->Text(QStringLiteral("HelpText"));
        CheckHelpTextCodesOf(
            text, [&]() -> QString { return u"topic " + id; }, warnings);
        links.topic(id, text);
    }
    for (auto rs = activeRows(db, str::table::WhatsThis); !rs->EOF_(); rs->MoveNext()) {
        const QString object = rs->Text(QStringLiteral("Object"));
        const QString text = rs->Text(QStringLiteral("HelpText"));
        CheckHelpTextCodesOf(
            text, [&]() -> QString { return u"the What's This entry " + object; }, warnings);
        links.whatsThis(object, rs->Text(QStringLiteral("TopicID")), text);
    }
    return warnings + links.warnings();
}

CreateInputProblems CheckCreateInputs(const CreateSettings& s, dao::Database& db) {
    CreateInputProblems problems;
    const auto run = [](QStringList& into, const auto& checks) {
        Checker check(into);
        checks(check);
    };
    run(problems.settings, [&](Checker& check) { checkSettings(s, check, false); });
    if (s.generalHelpDue() && CreateSettings::ticked(s.createContentsFile))
        run(problems.contentsFile,
            [&](Checker& check) { checkContents(db, check, problems.warnings); });
    if (CreateSettings::ticked(s.createToolTips))
        run(problems.toolTips, [&](Checker& check) { checkToolTips(db, check); });
    // Entries of a deleted topic are written all the same: the author hears of them.
    if ((s.generalHelpDue() && CreateSettings::ticked(s.createContentsFile)) || s.htmlHelp())
        problems.warnings += contents::EntriesWithoutTopic(db);
    return problems;
}

QStringList CheckCreateTabTexts(const CreateSettings& s) {
    Checker check;
    checkSettings(s, check, true);
    return check.problems();
}
