#include "createchecks.h"

#include "contents/contentsfilewriter.h"
#include "contents/contentstable.h"
#include "dao.h"
#include "generation/generalhelp.h"
#include "resources/stringtable.h"
#include "rtf/helptext.h"
#include "workspace/filltemplate.h"
#include "workspace/textrules.h"

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

void CheckTopicTexts(const TopicTexts& t, QStringList& problems) {
    Checker check(problems);
    check.rowContextString(t.id, [&] { return QStringLiteral("The topic ID"); });
    const auto of = [&](const char16_t* what) -> QString {
        return QString::fromUtf16(what) + u" of topic " + t.id;
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
        return QString::fromUtf16(what) + u" of the What's This entry " + w.object;
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

QStringList CheckHelpTextCodes(const CreateSettings& s, dao::Database& db) {
    QStringList warnings;
    if (!s.generalHelpDue() && !s.htmlHelp())
        return warnings;
    for (auto rs = activeRows(db, str::table::GeneralHelp); !rs->EOF_(); rs->MoveNext())
        CheckHelpTextCodesOf(
            rs->Text(QStringLiteral("HelpText")),
            [&]() -> QString { return u"topic " + rs->Text(QStringLiteral("TopicID")); }, warnings);
    for (auto rs = activeRows(db, str::table::WhatsThis); !rs->EOF_(); rs->MoveNext())
        CheckHelpTextCodesOf(
            rs->Text(QStringLiteral("HelpText")),
            [&]() -> QString {
                return u"the What's This entry " + rs->Text(QStringLiteral("Object"));
            },
            warnings);
    return warnings;
}

QStringList CheckCreateInputs(const CreateSettings& s, dao::Database& db) {
    Checker check;
    checkSettings(s, check, false);
    if (s.generalHelpDue() && CreateSettings::ticked(s.createContentsFile))
        checkContents(db, check);
    if (CreateSettings::ticked(s.createToolTips))
        checkToolTips(db, check);
    return check.problems();
}

QStringList CheckCreateTabTexts(const CreateSettings& s) {
    Checker check;
    checkSettings(s, check, true);
    return check.problems();
}
