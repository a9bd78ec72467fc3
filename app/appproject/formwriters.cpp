#include "appproject/formwriters.h"

#include "appproject/projectreader.h"
#include "appproject/qmtcodemod.h"
#include "resources/strings.h"
#include "shell/ansi.h"

#include <QAtomicInt>
#include <QSaveFile>
#include <QSemaphore>
#include <QSet>
#include <QThreadPool>

using namespace QMTCOdeMod;

namespace {

QString toText(std::string_view bytes) {
    return ansi::toUnicode(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void appendLine(QByteArray& out, std::string_view line) {
    out.append(line.data(), static_cast<qsizetype>(line.size()));
    out.append("\r\n", 2);
}

// Ordinal comparison of a property name with the name of the line to place.
int compareName(std::string_view property, const QByteArray& name) {
    return property.compare(view(name));
}

// The entries of one writer, each with the fields its control line needs,
// and the forms they name, in query order. The fields come with the entry
// query itself: Object is the table's key, so a lookup per control would only
// find the same row again.
struct Entries {
    QHash<QString, QVariantList> objects; // Object -> the wanted fields
    QStringList forms;                    // distinct, in order of first appearance
};

Entries collectEntries(dao::Database& db, const QString& sql, const QStringList& fields) {
    Entries entries;
    auto rs = db.OpenRecordset(sql, dao::dbOpenDynaset);
    if (rs->RecordCount() == 0)
        return entries;
    QSet<QString> seenForms;
    QString formName;
    QString objectName;
    for (; !rs->EOF_(); rs->MoveNext()) {
        const QString object = rs->Text(QStringLiteral("Object"));
        QVariantList values;
        for (const QString& field : fields)
            values << rs->Field(field);
        entries.objects.insert(object, values);
        SeparateFormAndObject(object, formName, objectName);
        if (!seenForms.contains(formName)) {
            seenForms.insert(formName);
            entries.forms.append(formName);
        }
    }
    return entries;
}

// The line loop shared by both writers. Lines of the form's code and lines
// inside a nested property block are copied without being examined; `rule`
// sees each control line and decides what each other line becomes.
template <class Rule> QByteArray rewriteForm(std::string_view in, Rule& rule) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(in.size() + in.size() / 8 + 256));
    bool inCode = false;
    int blockDepth = 0;
    ForEachLine(in, [&](std::string_view line, std::size_t) {
        if (inCode) {
            appendLine(out, line);
            return;
        }
        const FormLine form = ClassifyFormLine(line);
        if (blockDepth > 0) {
            if (form.kind == LineKind::BeginProperty)
                ++blockDepth;
            else if (form.kind == LineKind::EndProperty)
                --blockDepth;
            appendLine(out, line);
            return;
        }
        switch (form.kind) {
        case LineKind::Name:
            inCode = true;
            appendLine(out, line);
            break;
        case LineKind::Control:
            appendLine(out, line);
            rule.control(form.controlName);
            break;
        case LineKind::BeginProperty:
            ++blockDepth;
            appendLine(out, line);
            break;
        default:
            rule.property(line, out);
            break;
        }
    });
    return out;
}

// Writes rewritten form files: each beside its form file, flushed to disk and
// renamed over it (QSaveFile), so that a failure leaves the form file as it
// was. Several files are committed at once, because waiting for the disk,
// not the rewriting, is what takes the time; all are done before finish().
class FormCommitter {
public:
    explicit FormCommitter(qsizetype forms)
        : m_failures(static_cast<std::size_t>(forms)), m_slots(kInFlight) {
        m_pool.setMaxThreadCount(kThreads);
    }

    void commit(qsizetype form, const QString& path, QByteArray bytes) {
        m_slots.acquire(); // bounds the rewritten files held in memory
        m_pool.start([this, form, path, bytes = std::move(bytes)] {
            QSaveFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
                !file.commit()) {
                m_failures[static_cast<std::size_t>(form)] =
                    QStringLiteral("The form file %1 cannot be written: %2")
                        .arg(path, file.errorString());
            } else {
                m_written.fetchAndAddRelaxed(1);
            }
            m_slots.release();
        });
    }

    void fail(qsizetype form, const QString& text) {
        m_failures[static_cast<std::size_t>(form)] = text;
    }

    FormWriteResult finish() {
        m_pool.waitForDone();
        FormWriteResult result;
        result.formsRewritten = m_written.loadRelaxed();
        for (const QString& failure : m_failures) {
            if (!failure.isEmpty())
                result.failures.append(failure);
        }
        return result;
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
// rewritten one after the other on this thread (the rule reads the database).
template <class Rule>
FormWriteResult rewriteForms(const Entries& entries, const QString& vbProjectFileName,
                             const std::vector<FormRow>& forms, Rule& rule) {
    FormCommitter committer(entries.forms.size());
    for (qsizetype i = 0; i < entries.forms.size(); ++i) {
        const QString& formName = entries.forms.at(i);
        const QString path = GetFormFilePath(formName, forms, vbProjectFileName);
        if (path.isEmpty()) {
            committer.fail(i, QStringLiteral("The form %1 is not in the application project %2.")
                                  .arg(formName, vbProjectFileName));
            continue;
        }
        try {
            const QByteArray in = ReadFileBytes(path);
            rule.beginForm(formName);
            committer.commit(i, path, rewriteForm(view(in), rule));
        } catch (const FileError& e) {
            committer.fail(i, e.text());
        } catch (const dao::EngineError& e) {
            committer.fail(
                i, QStringLiteral("The form file %1 was left as it was: %2").arg(path, e.text()));
        }
    }
    return committer.finish();
}

// Gives each control named by an entry its ToolTipText line.
class ToolTipRule {
public:
    explicit ToolTipRule(const QHash<QString, QVariantList>& entries)
        : m_entries(entries), m_name(ansi::fromUnicode(LoadResString(534))) {}

    void beginForm(const QString& formName) {
        m_prefix = formName + u'.';
        m_found = false;
    }

    void control(std::string_view controlName) {
        m_found = false;
        m_written = false;
        const auto entry = m_entries.constFind(m_prefix + toText(controlName));
        if (entry == m_entries.cend())
            return;
        m_line = ToolTipLine(entry->at(0).toString());
        m_found = true;
    }

    void property(std::string_view line, QByteArray& out) {
        if (m_found && !m_written) {
            const int order = compareName(PropertyName(line), m_name);
            if (order >= 0) {
                appendLine(out, view(m_line));
                m_written = true;
                if (order == 0)
                    return; // the old ToolTipText line is replaced
            }
        }
        appendLine(out, line);
    }

private:
    const QHash<QString, QVariantList>& m_entries;
    const QByteArray m_name;
    QString m_prefix;
    QByteArray m_line;
    bool m_found = false;
    bool m_written = false;
};

// Gives each control named by an entry its HelpContextID and/or
// WhatsThisHelpID line.
class HelpIdRule {
public:
    explicit HelpIdRule(const QHash<QString, QVariantList>& entries)
        : m_entries(entries), m_contextName(ansi::fromUnicode(LoadResString(560))),
          m_contextLine(ansi::fromUnicode(LoadResString(561))),
          m_whatsThisName(ansi::fromUnicode(LoadResString(562))),
          m_whatsThisLine(ansi::fromUnicode(LoadResString(563))), m_both(LoadResString(535)),
          m_contextOnly(LoadResString(536)), m_whatsThisOnly(LoadResString(537)) {}

    void beginForm(const QString& formName) {
        m_prefix = formName + u'.';
        m_context.wanted = m_whatsThis.wanted = false;
    }

    void control(std::string_view controlName) {
        m_context = {};
        m_whatsThis = {};
        const auto entry = m_entries.constFind(m_prefix + toText(controlName));
        if (entry == m_entries.cend())
            return;
        const QVariant number = entry->at(0);
        const QByteArray digits = QByteArray::number(number.isNull() ? 0 : number.toLongLong());
        const QString type = entry->at(1).toString();
        m_context.wanted = type == m_both || type == m_contextOnly;
        m_context.line = m_contextLine + digits;
        m_whatsThis.wanted = type == m_both || type == m_whatsThisOnly;
        m_whatsThis.line = m_whatsThisLine + digits;
    }

    void property(std::string_view line, QByteArray& out) {
        // The help context line sorts first; a line that receives it before
        // itself is still examined for the What's This line.
        if (place(m_context, m_contextName, line, out) ||
            place(m_whatsThis, m_whatsThisName, line, out))
            return;
        appendLine(out, line);
    }

private:
    struct Pending {
        bool wanted = false;
        bool written = false;
        QByteArray line;
    };

    // Writes `pending` before `line` when the line's property sorts at or after
    // `name`. True when the line itself was replaced.
    static bool place(Pending& pending, const QByteArray& name, std::string_view line,
                      QByteArray& out) {
        if (!pending.wanted || pending.written)
            return false;
        const int order = compareName(PropertyName(line), name);
        if (order < 0)
            return false;
        appendLine(out, view(pending.line));
        pending.written = true;
        return order == 0;
    }

    const QHash<QString, QVariantList>& m_entries;
    const QByteArray m_contextName;
    const QByteArray m_contextLine;
    const QByteArray m_whatsThisName;
    const QByteArray m_whatsThisLine;
    const QString m_both;
    const QString m_contextOnly;
    const QString m_whatsThisOnly;
    QString m_prefix;
    Pending m_context;
    Pending m_whatsThis;
};

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
    return ansi::fromUnicode(LoadResString(534) + QStringLiteral("    = \"") + value + u'"');
}

FormWriteResult CreateToolTips(dao::Database& db, const QString& vbProjectFileName,
                               const std::vector<FormRow>& forms) {
    const Entries entries = collectEntries(db, LoadResString(204), {QStringLiteral("HelpText")});
    ToolTipRule rule(entries.objects);
    return rewriteForms(entries, vbProjectFileName, forms, rule);
}

FormWriteResult CreateContextSensitiveHelp(dao::Database& db, const QString& vbProjectFileName,
                                           const std::vector<FormRow>& forms) {
    const Entries entries = collectEntries(db, LoadResString(558),
                                           {QStringLiteral("MapNumber"), QStringLiteral("Type")});
    HelpIdRule rule(entries.objects);
    return rewriteForms(entries, vbProjectFileName, forms, rule);
}
