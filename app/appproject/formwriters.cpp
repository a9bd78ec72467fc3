#include "appproject/formwriters.h"

#include "appproject/controltypes.h"
#include "appproject/projectreader.h"
#include "appproject/qmtcodemod.h"
#include "codepage/ansi.h"
#include "fileio/savefile.h"
#include "resources/stringtable.h"
#include "workspace/textrules.h"

#include <QAtomicInt>
#include <QDir>
#include <QHash>
#include <QSemaphore>
#include <QSet>
#include <QThreadPool>

using namespace QMTCOdeMod;

namespace {

QString toText(std::string_view bytes) {
    return ansi::toUnicode(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// One line a control is to receive.
struct PendingLine {
    QByteArray name; // the property, e.g. "ToolTipText"
    QByteArray line; // the whole line, without its line end
    bool written = false;
};

// The lines the control being read is to receive, in placement order.
struct ControlLines {
    std::vector<PendingLine> lines;
    bool counted = false; // the control has received a line
};

// The entries of one writer, each with the fields its control line needs,
// and the forms they name, in query order. The fields come with the entry
// query itself: Object is the table's key, so a lookup per control would only
// find the same row again.
struct Entries {
    QHash<QString, QVariantList> objects; // Object -> the wanted fields
    QStringList forms;                    // distinct, in order of first appearance
    QHash<QString, QStringList> byForm;   // form -> its objects
};

Entries collectEntries(dao::Database& db, const QString& sql, const QStringList& fields) {
    Entries entries;
    auto rs = db.OpenRecordset(sql, dao::dbOpenDynaset);
    if (rs->RecordCount() == 0)
        return entries;
    QString formName;
    QString objectName;
    for (; !rs->EOF_(); rs->MoveNext()) {
        const QString object = rs->Text(QStringLiteral("Object"));
        QVariantList values;
        for (const QString& field : fields)
            values << rs->Field(field);
        entries.objects.insert(object, values);
        SeparateFormAndObject(object, formName, objectName);
        if (!entries.byForm.contains(formName))
            entries.forms.append(formName);
        entries.byForm[formName].append(object);
    }
    return entries;
}

// The line loop shared by both writers. It follows the nesting of control
// definitions, so that each control's lines land among its own properties;
// lines of the form's code and of nested property blocks are copied as they
// are. `rule` says which lines each control is to receive.
class FormRewriter {
public:
    template <class Rule> QByteArray run(std::string_view in, Rule& rule) {
        m_lineEnd = LineEndOf(in);
        m_out.clear();
        m_out.reserve(static_cast<qsizetype>(in.size() + in.size() / 8 + 256));
        m_controls.clear();
        m_updated = 0;
        bool inCode = false;
        bool first = true;
        int blockDepth = 0;
        ForEachLine(in, [&](std::string_view line, std::size_t next) {
            const std::string_view bom = first ? ByteOrderMark(line) : std::string_view();
            first = false;
            // A last line without a line end keeps having none.
            m_lastLineOpen = line.data() + line.size() == in.data() + next;
            if (inCode) {
                copy(line);
                return;
            }
            const FormLine form = ClassifyFormLine(line.substr(bom.size()));
            if (blockDepth > 0) {
                if (form.kind == LineKind::BeginProperty)
                    ++blockDepth;
                else if (form.kind == LineKind::EndProperty)
                    --blockDepth;
                copy(line);
                return;
            }
            switch (form.kind) {
            case LineKind::Name:
                while (!m_controls.empty())
                    endControl();
                inCode = true;
                copy(line);
                break;
            case LineKind::Control:
                if (!m_controls.empty())
                    flush(m_controls.back()); // a nested control ends its parent's own properties
                copy(line);
                m_controls.push_back(rule.control(form.controlName, form.controlType));
                break;
            case LineKind::End:
                if (!m_controls.empty())
                    endControl();
                copy(line);
                break;
            case LineKind::BeginProperty:
                ++blockDepth;
                copy(line);
                break;
            default:
                if (m_controls.empty())
                    copy(line);
                else
                    property(m_controls.back(), line);
                break;
            }
        });
        return m_out;
    }

    int controlsUpdated() const { return m_updated; }

private:
    void copy(std::string_view line) {
        m_out.append(line.data(), static_cast<qsizetype>(line.size()));
        if (!m_lastLineOpen)
            m_out.append(m_lineEnd);
    }

    void insert(std::string_view line) {
        m_out.append(line.data(), static_cast<qsizetype>(line.size()));
        m_out.append(m_lineEnd);
    }

    void write(ControlLines& control, PendingLine& pending) {
        insert(view(pending.line));
        pending.written = true;
        if (!control.counted) {
            control.counted = true;
            ++m_updated;
        }
    }

    // A property line of the control: pending lines that sort at or before it
    // go first; the line itself goes unless it is replaced or is an old line
    // of a property already written.
    void property(ControlLines& control, std::string_view line) {
        const std::string_view name = PropertyName(line);
        for (PendingLine& pending : control.lines) {
            if (pending.written) {
                if (name == view(pending.name))
                    return;
                continue;
            }
            const int order = name.compare(view(pending.name));
            if (order < 0)
                continue;
            write(control, pending);
            if (order == 0)
                return;
        }
        copy(line);
    }

    // The control's own properties end: what is still pending goes here.
    void flush(ControlLines& control) {
        for (PendingLine& pending : control.lines) {
            if (!pending.written)
                write(control, pending);
        }
    }

    void endControl() {
        flush(m_controls.back());
        m_controls.pop_back();
    }

    QByteArray m_lineEnd;
    bool m_lastLineOpen = false;
    QByteArray m_out;
    std::vector<ControlLines> m_controls;
    int m_updated = 0;
};

// Writes rewritten form files through fileio::SaveBytes, so that a failure
// leaves the form file as it was. Several files are committed at once,
// because waiting for the disk, not the rewriting, is what takes the time;
// all are done before finish().
class FormCommitter {
public:
    explicit FormCommitter(qsizetype forms)
        : m_failures(static_cast<std::size_t>(forms)), m_slots(kInFlight) {
        m_pool.setMaxThreadCount(kThreads);
    }

    void commit(qsizetype form, const QString& path, QByteArray bytes) {
        m_slots.acquire(); // bounds the rewritten files held in memory
        m_pool.start([this, form, path, bytes = std::move(bytes)] {
            try {
                fileio::SaveBytes(path, bytes);
                m_written.fetchAndAddRelaxed(1);
            } catch (const fileio::FileWriteError& e) {
                m_failures[static_cast<std::size_t>(form)] = e.message();
            }
            m_slots.release();
        });
    }

    void fail(qsizetype form, const QString& text) {
        m_failures[static_cast<std::size_t>(form)] = text;
    }

    void finish(FormWriteResult& result) {
        m_pool.waitForDone();
        result.formsRewritten += m_written.loadRelaxed();
        for (const QString& failure : m_failures) {
            if (!failure.isEmpty())
                result.failures.append(failure);
        }
    }

    ~FormCommitter() { m_pool.waitForDone(); }

private:
    static constexpr int kThreads = 8;
    static constexpr int kInFlight = 16;
    std::vector<QString> m_failures; // by form; each slot written by one task only
    QSemaphore m_slots;
    QAtomicInt m_written;
    QThreadPool m_pool;
};

// Rewrites every form of `entries` with the writer's rule. Forms are read and
// rewritten one after the other on this thread; a form whose new text equals
// the old one is left untouched.
template <class Rule>
void rewriteForms(const Entries& entries, const QString& vbProjectFileName,
                  const std::vector<FormRow>& forms, Rule& rule, FormWriteResult& result) {
    FormCommitter committer(entries.forms.size());
    FormRewriter rewriter;
    for (qsizetype i = 0; i < entries.forms.size(); ++i) {
        const QString& formName = entries.forms.at(i);
        const QString path = GetFormFilePath(formName, forms, vbProjectFileName);
        if (path.isEmpty()) {
            committer.fail(i, QStringLiteral("The form %1 is not in the application project %2.")
                                  .arg(formName, native(vbProjectFileName)));
            continue;
        }
        try {
            const QByteArray in = ReadFileBytes(path);
            rule.beginForm(formName);
            QByteArray out = rewriter.run(view(in), rule);
            result.controlsUpdated += rewriter.controlsUpdated();
            for (const QString& object : entries.byForm.value(formName)) {
                if (rule.wanted(object) && !rule.found(object))
                    result.warnings << QStringLiteral("%1 is not in the form file %2; nothing "
                                                      "was written for it.")
                                           .arg(object, native(path));
            }
            if (out != in)
                committer.commit(i, path, std::move(out));
        } catch (const FileError& e) {
            committer.fail(i, e.text());
        }
    }
    committer.finish(result);
}

// What the rules share: the entries of the form being rewritten and which of
// them were met.
class RuleBase {
public:
    explicit RuleBase(const QHash<QString, QVariantList>& entries) : m_entries(entries) {}

    void beginForm(const QString& formName) {
        m_prefix = formName + u'.';
        m_found.clear();
    }
    bool wanted(const QString& object) const { return !m_skipped.contains(object); }
    bool found(const QString& object) const { return m_found.contains(object); }
    // Entries the writer leaves out (a text or number it cannot write).
    void skip(const QString& object) { m_skipped.insert(object); }

protected:
    // The entry of the control named on a control line, or none.
    const QVariantList* entryFor(std::string_view controlName, QString& object) {
        object = m_prefix + toText(controlName);
        const auto entry = m_entries.constFind(object);
        if (entry == m_entries.cend() || m_skipped.contains(object))
            return nullptr;
        m_found.insert(object);
        return &*entry;
    }

    // A line for `property`, unless the control's type lacks it.
    void want(ControlLines& lines, std::string_view type, WrittenProperty property,
              const QByteArray& name, const QByteArray& line, const QString& object) {
        if (!ControlTypeHasProperty(toText(type), property)) {
            warnings << QStringLiteral("%1 is a %2, which has no %3 property; no %3 line was "
                                       "written for it.")
                            .arg(object, toText(type), QString::fromLatin1(name));
            return;
        }
        lines.lines.push_back({name, line, false});
    }

public:
    QStringList warnings;

private:
    const QHash<QString, QVariantList>& m_entries;
    QString m_prefix;
    QSet<QString> m_found;
    QSet<QString> m_skipped;
};

// Gives each control named by an entry its ToolTipText line.
class ToolTipRule : public RuleBase {
public:
    ToolTipRule(const QHash<QString, QVariantList>& entries, FormWriteResult& result)
        : RuleBase(entries), m_name(ansi::fromUnicode(LoadResString(str::vb::ToolTipText))) {
        for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
            if (it->at(0).isNull()) {
                skip(it.key());
                result.failures << QStringLiteral("The tool tip of %1 has no text stored, so it "
                                                  "was left out.")
                                       .arg(it.key());
            }
        }
    }

    ControlLines control(std::string_view controlName, std::string_view type) {
        ControlLines lines;
        QString object;
        if (const QVariantList* entry = entryFor(controlName, object))
            want(lines, type, WrittenProperty::ToolTipText, m_name,
                 ToolTipLine(entry->at(0).toString()), object);
        return lines;
    }

private:
    const QByteArray m_name;
};

// Gives each control named by an entry its HelpContextID and/or
// WhatsThisHelpID line; the help context line sorts first.
class HelpIdRule : public RuleBase {
public:
    HelpIdRule(const QHash<QString, QVariantList>& entries, FormWriteResult& result)
        : RuleBase(entries),
          m_contextName(ansi::fromUnicode(LoadResString(str::vb::HelpContextId))),
          m_contextLine(ansi::fromUnicode(LoadResString(str::vb::HelpContextIdLine))),
          m_whatsThisName(ansi::fromUnicode(LoadResString(str::vb::WhatsThisHelpId))),
          m_whatsThisLine(ansi::fromUnicode(LoadResString(str::vb::WhatsThisHelpIdLine))),
          m_both(LoadResString(str::helptype::Both)),
          m_contextOnly(LoadResString(str::helptype::ContextSensitive)),
          m_whatsThisOnly(LoadResString(str::helptype::WhatsThis)) {
        for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
            const QVariant number = it->at(0);
            const QString helpType = it->at(1).toString();
            if (!textrules::StoredMapNumber(number)) {
                skip(it.key());
                result.failures << textrules::BadMapNumberMessage(it.key(), number);
            } else if (helpType != m_both && helpType != m_contextOnly &&
                       helpType != m_whatsThisOnly) {
                skip(it.key());
                result.warnings << QStringLiteral("The What's This entry %1 has the help type "
                                                  "\"%2\", which is none of %3, %4 and %5; "
                                                  "nothing was written for it.")
                                       .arg(it.key(), helpType, m_both, m_contextOnly,
                                            m_whatsThisOnly);
            }
        }
    }

    ControlLines control(std::string_view controlName, std::string_view type) {
        ControlLines lines;
        QString object;
        const QVariantList* entry = entryFor(controlName, object);
        if (!entry)
            return lines;
        const QByteArray digits =
            QByteArray::number(textrules::StoredMapNumber(entry->at(0)).value_or(0));
        const QString helpType = entry->at(1).toString();
        if (helpType == m_both || helpType == m_contextOnly)
            want(lines, type, WrittenProperty::HelpContextID, m_contextName, m_contextLine + digits,
                 object);
        if (helpType == m_both || helpType == m_whatsThisOnly)
            want(lines, type, WrittenProperty::WhatsThisHelpID, m_whatsThisName,
                 m_whatsThisLine + digits, object);
        return lines;
    }

private:
    const QByteArray m_contextName;
    const QByteArray m_contextLine;
    const QByteArray m_whatsThisName;
    const QByteArray m_whatsThisLine;
    const QString m_both;
    const QString m_contextOnly;
    const QString m_whatsThisOnly;
};

template <class Rule>
QByteArray rewriteOne(QByteArrayView form, const QString& formName,
                      const QHash<QString, QVariantList>& entries, FormWriteResult& result) {
    Rule rule(entries, result);
    rule.beginForm(formName);
    FormRewriter rewriter;
    const QByteArray out = rewriter.run({form.data(), static_cast<std::size_t>(form.size())}, rule);
    result.controlsUpdated += rewriter.controlsUpdated();
    result.warnings += rule.warnings;
    return out;
}

template <class Rule>
FormWriteResult writeForms(const Entries& entries, const QString& vbProjectFileName,
                           const std::vector<FormRow>& forms) {
    FormWriteResult result;
    Rule rule(entries.objects, result);
    rewriteForms(entries, vbProjectFileName, forms, rule, result);
    rule.warnings.removeDuplicates(); // a control array warns once per element
    result.warnings = rule.warnings + result.warnings;
    return result;
}

} // namespace

QByteArray QMTCOdeMod::ToolTipLine(const QString& text) {
    QString value;
    value.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'"') {
            value += QStringLiteral("\"\"");
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            value += u' ';
        } else {
            value += c;
        }
    }
    return ansi::fromUnicode(LoadResString(str::vb::ToolTipText) + QStringLiteral("    = \"") +
                             value + u'"');
}

QByteArray RewriteFormToolTips(QByteArrayView form, const QString& formName,
                               const QHash<QString, QVariantList>& entries,
                               FormWriteResult& result) {
    return rewriteOne<ToolTipRule>(form, formName, entries, result);
}

QByteArray RewriteFormHelpIds(QByteArrayView form, const QString& formName,
                              const QHash<QString, QVariantList>& entries,
                              FormWriteResult& result) {
    return rewriteOne<HelpIdRule>(form, formName, entries, result);
}

FormWriteResult CreateToolTips(dao::Database& db, const QString& vbProjectFileName,
                               const std::vector<FormRow>& forms) {
    return writeForms<ToolTipRule>(
        collectEntries(db, LoadResString(str::sql::ActiveToolTips), {QStringLiteral("HelpText")}),
        vbProjectFileName, forms);
}

FormWriteResult CreateContextSensitiveHelp(dao::Database& db, const QString& vbProjectFileName,
                                           const std::vector<FormRow>& forms) {
    return writeForms<HelpIdRule>(
        collectEntries(db, LoadResString(str::sql::ActiveWhatsThis),
                       {QStringLiteral("MapNumber"), QStringLiteral("Type")}),
        vbProjectFileName, forms);
}
