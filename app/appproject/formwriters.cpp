#include "appproject/formwriters.h"

#include "appproject/controltypes.h"
#include "appproject/projectreader.h"
#include "appproject/qmtcodemod.h"
#include "codepage/ansi.h"
#include "fileio/savefile.h"
#include "resources/stringtable.h"
#include "workspace/textrules.h"

#include <QDir>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QThreadPool>
#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

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
    QByteArray name;          // the property, e.g. "ToolTipText"
    QByteArray line;          // the whole line, without its line end
    bool whatsThisId = false; // a WhatsThisHelpID line
    bool written = false;
};

// The lines the control being read is to receive, in placement order (by
// property name, as VB writes properties).
struct ControlLines {
    std::vector<PendingLine> lines;
    bool counted = false;          // the control has received a line
    bool whatsThisCounted = false; // ... and a WhatsThisHelpID line
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

// `sql` selects Object, then the wanted fields, in that order; the rows are
// read once, forwards, each field by its place in the row.
Entries collectEntries(dao::Database& db, const QString& sql, int fields) {
    Entries entries;
    auto rs = db.OpenRecordset(sql, dao::dbOpenForwardOnly);
    QString formName;
    QStringList* formObjects = nullptr; // those of formName
    for (; !rs->EOF_(); rs->MoveNext()) {
        const QString object = rs->TextAt(0);
        QVariantList values;
        values.reserve(fields);
        for (int field = 1; field <= fields; ++field)
            values << rs->FieldAt(field);
        entries.objects.insert(object, values);
        // The rows come by object, so a form's rows mostly follow each other.
        const QStringView form = QStringView(object).left(object.indexOf(u'.'));
        if (!formObjects || form != formName) {
            formName = form.toString();
            const auto known = entries.byForm.find(formName);
            if (known == entries.byForm.end()) {
                entries.forms.append(formName);
                formObjects = &entries.byForm[formName];
            } else {
                formObjects = &*known;
            }
        }
        formObjects->append(object);
    }
    return entries;
}

// What a pass learnt about the form itself (its outermost control).
struct FormFacts {
    std::string_view type;             // e.g. "VB.Form"; empty when the file has no control
    std::optional<bool> whatsThisHelp; // its WhatsThisHelp property, when it has one
    int whatsThisControls = 0;         // controls that received a WhatsThisHelpID line
};

// A property value as VB stores a Boolean: -1 (True) or 0 (False), followed
// by a comment; any other non-zero number counts as True.
bool storedTruth(std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return false;
    std::string_view value = TrimBlanks(line.substr(equals + 1));
    value = value.substr(0, std::min(value.find(' '), value.find('\'')));
    if (value.size() == 4 &&
        QByteArrayView(value.data(), 4).compare("True", Qt::CaseInsensitive) == 0)
        return true;
    bool ok = false;
    const long number =
        QByteArrayView(value.data(), static_cast<qsizetype>(value.size())).toLong(&ok);
    return ok && number != 0;
}

// The line loop. It follows the nesting of control definitions, so that each
// control's lines land among its own properties; lines of the form's code and
// of nested property blocks are kept as they are. `rule` says which lines
// each control is to receive. Unchanged lines are copied as whole spans of
// the input; a line end is rewritten only where it differs from the file's.
class FormRewriter {
public:
    explicit FormRewriter(QByteArray whatsThisHelpName)
        : m_whatsThisHelpName(std::move(whatsThisHelpName)) {}

    template <class Rule> QByteArray run(std::string_view in, Rule& rule) {
        m_in = in;
        m_span = 0;
        m_lineEnd = LineEndOf(in);
        m_crlf = m_lineEnd.size() == 2;
        m_out.clear();
        m_out.reserve(static_cast<qsizetype>(in.size() + in.size() / 8 + 256));
        m_controls.clear();
        m_updated = 0;
        m_facts = {};
        bool inCode = false;
        bool first = true;
        int blockDepth = 0;
        ForEachLine(in, [&](std::string_view line, std::size_t next) {
            m_at = static_cast<std::size_t>(line.data() - in.data());
            m_stop = m_at + line.size();
            m_next = next;
            const std::string_view bom = first ? ByteOrderMark(line) : std::string_view();
            first = false;
            if (inCode) {
                keep();
                return;
            }
            const FormLine form = ClassifyFormLine(line.substr(bom.size()));
            if (blockDepth > 0) {
                if (form.kind == LineKind::BeginProperty)
                    ++blockDepth;
                else if (form.kind == LineKind::EndProperty)
                    --blockDepth;
                keep();
                return;
            }
            switch (form.kind) {
            case LineKind::Name:
                while (!m_controls.empty())
                    endControl();
                inCode = true;
                keep();
                break;
            case LineKind::Control:
                if (m_controls.empty() && m_facts.type.empty())
                    m_facts.type = form.controlType;
                else if (!m_controls.empty())
                    flush(m_controls.back()); // a nested control ends its parent's own properties
                keep();
                m_controls.push_back(
                    rule.control(form.controlName, form.controlType, m_controls.empty()));
                break;
            case LineKind::End:
                if (!m_controls.empty())
                    endControl();
                keep();
                break;
            case LineKind::BeginProperty:
                ++blockDepth;
                keep();
                break;
            default:
                if (m_controls.empty())
                    keep();
                else
                    property(m_controls.back(), line);
                break;
            }
        });
        appendSpan(in.size());
        return m_out;
    }

    int controlsUpdated() const { return m_updated; }
    const FormFacts& facts() const { return m_facts; }

private:
    // Input bytes not yet in the output, up to `to`.
    void appendSpan(std::size_t to) {
        if (to > m_span)
            m_out.append(m_in.data() + m_span, static_cast<qsizetype>(to - m_span));
        m_span = std::max(m_span, to);
    }

    // The current line stays; it joins the span unless its line end is not
    // the file's. A last line without a line end keeps having none.
    void keep() {
        const std::size_t end = m_next - m_stop;
        if (end == 0 || (m_crlf ? end == 2 && m_in[m_stop] == '\r' : m_in[m_stop] == '\n'))
            return;
        appendSpan(m_stop);
        m_out.append(m_lineEnd);
        m_span = m_next;
    }

    // The current line goes.
    void drop() {
        appendSpan(m_at);
        m_span = m_next;
    }

    // A new line before the current one.
    void insert(std::string_view line) {
        appendSpan(m_at);
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
        if (pending.whatsThisId && !control.whatsThisCounted) {
            control.whatsThisCounted = true;
            ++m_facts.whatsThisControls;
        }
    }

    // A property line of the control: pending lines that sort at or before it
    // go first; the line itself goes unless it is replaced or is an old line
    // of a property already written.
    void property(ControlLines& control, std::string_view line) {
        if (control.lines.empty() && m_controls.size() != 1) {
            keep(); // most controls get no line
            return;
        }
        const std::string_view name = PropertyName(line);
        if (m_controls.size() == 1 && name == view(m_whatsThisHelpName))
            m_facts.whatsThisHelp = storedTruth(line);
        for (PendingLine& pending : control.lines) {
            if (pending.written) {
                if (name == view(pending.name)) {
                    drop();
                    return;
                }
                continue;
            }
            const int order = name.compare(view(pending.name));
            if (order < 0)
                continue;
            write(control, pending);
            if (order == 0) {
                drop();
                return;
            }
        }
        keep();
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

    const QByteArray m_whatsThisHelpName;
    std::string_view m_in;
    std::size_t m_span = 0; // where the input not yet copied starts
    std::size_t m_at = 0;   // the current line: its start,
    std::size_t m_stop = 0; // its end (before the line end)
    std::size_t m_next = 0; // and the start of the next line
    QByteArray m_lineEnd;
    bool m_crlf = true; // the line end is CR LF, else LF
    QByteArray m_out;
    std::vector<ControlLines> m_controls;
    int m_updated = 0;
    FormFacts m_facts;
};

// Rewrites form files on a few threads and writes them through
// fileio::SaveFile, so that a failure leaves the form file as it was. Several
// forms are in hand at once, because waiting for the disk is much of the
// time; each folder is synced once when all are done, in finish().
class FormCommitter {
public:
    explicit FormCommitter(qsizetype forms) : m_failures(static_cast<std::size_t>(forms)) {
        m_pool.setMaxThreadCount(kThreads);
    }

    // Runs `rewrite` for the form at `path` on a pool thread; the new bytes
    // it gives are written, none leave the form untouched.
    void start(qsizetype form, const QString& path,
               std::function<std::optional<QByteArray>()> rewrite) {
        m_pool.start([this, form, path, rewrite = std::move(rewrite)] {
            QString& failure = m_failures[static_cast<std::size_t>(form)];
            try {
                if (const std::optional<QByteArray> bytes = rewrite()) {
                    fileio::SaveFile file(path);
                    file.write(*bytes);
                    file.commit(m_folders);
                    renamed(form, path);
                }
            } catch (const FileError& e) {
                failure = e.text();
            } catch (const fileio::FileWriteError& e) {
                failure = e.message();
            } catch (const std::exception& e) {
                failure = native(path) + QStringLiteral(": ") + QString::fromLocal8Bit(e.what());
            }
        });
    }

    void fail(qsizetype form, const QString& text) {
        m_failures[static_cast<std::size_t>(form)] = text;
    }

    void finish(FormWriteResult& result) {
        m_pool.waitForDone();
        // A form is written only once its folder's sync succeeded.
        int written = int(m_renamed.size());
        for (const fileio::FileWriteError& e : m_folders.sync()) {
            for (const auto& [form, path] : m_renamed)
                if (path == e.fileName()) {
                    m_failures[static_cast<std::size_t>(form)] = e.message();
                    --written;
                }
        }
        result.formsRewritten += written;
        for (const QString& failure : m_failures) {
            if (!failure.isEmpty())
                result.failures.append(failure);
        }
    }

    ~FormCommitter() { m_pool.waitForDone(); }

private:
    void renamed(qsizetype form, const QString& path) {
        const QMutexLocker lock(&m_mutex);
        m_renamed.emplace_back(form, path);
    }

    static constexpr int kThreads = 8;
    std::vector<QString> m_failures; // by form; each slot written by one task only
    fileio::FolderSync m_folders;    // one sync per folder, in finish()
    QMutex m_mutex;                  // guards m_renamed while tasks run
    std::vector<std::pair<qsizetype, QString>> m_renamed; // forms renamed into place
    QThreadPool m_pool;
};

// Decides the lines of each control: a ToolTipText line from the tool-tip
// entries, HelpContextID and/or WhatsThisHelpID lines from the What's This
// entries (either set may be absent), and on request the form's own
// WhatsThisHelp line.
class FormRule {
public:
    using EntryMap = QHash<QString, QVariantList>;

    FormRule(const EntryMap* toolTips, const EntryMap* helpIds, FormWriteResult& result)
        : m_toolTipName(ansi::fromUnicode(LoadResString(str::vb::ToolTipText))),
          m_contextName(ansi::fromUnicode(LoadResString(str::vb::HelpContextId))),
          m_contextLine(ansi::fromUnicode(LoadResString(str::vb::HelpContextIdLine))),
          m_whatsThisName(ansi::fromUnicode(LoadResString(str::vb::WhatsThisHelpId))),
          m_whatsThisLine(ansi::fromUnicode(LoadResString(str::vb::WhatsThisHelpIdLine))),
          m_formHelpName(ansi::fromUnicode(LoadResString(str::vb::WhatsThisHelp))),
          // A form's own properties are indented by three blanks.
          m_formHelpLine("   " + ansi::fromUnicode(LoadResString(str::vb::WhatsThisHelpTrueLine))),
          m_both(LoadResString(str::helptype::Both)),
          m_contextOnly(LoadResString(str::helptype::ContextSensitive)),
          m_whatsThisOnly(LoadResString(str::helptype::WhatsThis)) {
        m_tips.entries = toolTips;
        m_ids.entries = helpIds;
        if (toolTips) {
            for (auto it = toolTips->cbegin(); it != toolTips->cend(); ++it) {
                if (it->at(0).isNull()) {
                    m_tips.skipped.insert(it.key());
                    result.failures << QStringLiteral("The tool tip of %1 has no text stored, "
                                                      "so it was left out.")
                                           .arg(it.key());
                }
            }
        }
        if (helpIds) {
            for (auto it = helpIds->cbegin(); it != helpIds->cend(); ++it) {
                const QVariant number = it->at(0);
                const QString helpType = it->at(1).toString();
                if (!textrules::StoredMapNumber(number)) {
                    m_ids.skipped.insert(it.key());
                    result.failures << textrules::BadMapNumberMessage(it.key(), number);
                } else if (helpType != m_both && helpType != m_contextOnly &&
                           helpType != m_whatsThisOnly) {
                    m_ids.skipped.insert(it.key());
                    result.warnings
                        << QStringLiteral("The What's This entry %1 has the help "
                                          "type \"%2\", which is none of %3, %4 "
                                          "and %5; nothing was written for it.")
                               .arg(it.key(), helpType, m_both, m_contextOnly, m_whatsThisOnly);
                }
            }
        }
    }

    const QByteArray& formHelpName() const { return m_formHelpName; }

    // The form `formName` with the entries `objects` ("form.control") is
    // written next. `setFormHelp`: its own control gets "WhatsThisHelp = -1 'True".
    void beginForm(const QString& formName, const QStringList& objects, bool setFormHelp) {
        m_setFormHelp = setFormHelp;
        m_tips.found.clear();
        m_ids.found.clear();
        m_controls.clear();
        // Controls are looked up by the bytes of their names: Windows-1252
        // decoding is one to one, so the bytes of a name are its text.
        const QString prefix = formName + u'.';
        for (const QString& object : objects) {
            if (!object.startsWith(prefix))
                continue;
            const QString name = object.mid(prefix.size());
            const QByteArray bytes = ansi::fromUnicode(name);
            if (ansi::toUnicode(bytes) != name)
                continue; // no control name in the file can be this text
            Slot& slot = m_controls[bytes.toStdString()];
            slot.object = object;
            slot.tip = m_tips.entryOf(object);
            slot.ids = m_ids.entryOf(object);
        }
    }

    // Whether `object` of the form being written was asked for and not met.
    bool missed(const QString& object) const {
        return m_tips.missed(object) || m_ids.missed(object);
    }

    ControlLines control(std::string_view controlName, std::string_view type, bool topLevel) {
        ControlLines lines;
        if (topLevel && m_setFormHelp)
            lines.lines.push_back({m_formHelpName, m_formHelpLine, false, false});
        const auto found = m_controls.find(controlName);
        if (found == m_controls.end())
            return lines;
        const Slot* slot = &found->second;
        const QString& object = slot->object;
        if (const QVariantList* entry = slot->tip) {
            m_tips.found.insert(object);
            want(lines, type, WrittenProperty::ToolTipText, m_toolTipName,
                 ToolTipLine(entry->at(0).toString()), object);
        }
        if (const QVariantList* entry = slot->ids) {
            m_ids.found.insert(object);
            const QByteArray digits =
                QByteArray::number(textrules::StoredMapNumber(entry->at(0)).value_or(0));
            const QString helpType = entry->at(1).toString();
            if (helpType == m_both || helpType == m_contextOnly)
                want(lines, type, WrittenProperty::HelpContextID, m_contextName,
                     m_contextLine + digits, object);
            if (helpType == m_both || helpType == m_whatsThisOnly)
                want(lines, type, WrittenProperty::WhatsThisHelpID, m_whatsThisName,
                     m_whatsThisLine + digits, object, true);
        }
        std::sort(
            lines.lines.begin(), lines.lines.end(),
            [](const PendingLine& a, const PendingLine& b) { return view(a.name) < view(b.name); });
        return lines;
    }

    QStringList warnings;

private:
    // The entries of one writer and which of them the form being written met.
    struct Writer {
        const EntryMap* entries = nullptr;
        QSet<QString> found;
        QSet<QString> skipped; // entries left out (a text or number that cannot be written)

        // The entry of `object`, unless it has none or is left out.
        const QVariantList* entryOf(const QString& object) const {
            if (!entries)
                return nullptr;
            const auto entry = entries->constFind(object);
            if (entry == entries->cend() || skipped.contains(object))
                return nullptr;
            return &*entry;
        }
        bool missed(const QString& object) const {
            return entries && entries->contains(object) && !skipped.contains(object) &&
                   !found.contains(object);
        }
    };

    // A line for `property`, unless the control's type lacks it.
    void want(ControlLines& lines, std::string_view type, WrittenProperty property,
              const QByteArray& name, const QByteArray& line, const QString& object,
              bool whatsThisId = false) {
        if (!typeHas(type, property)) {
            warnings << QStringLiteral("%1 is a %2, which has no %3 property; no %3 line was "
                                       "written for it.")
                            .arg(object, toText(type), QString::fromLatin1(name));
            return;
        }
        lines.lines.push_back({name, line, whatsThisId, false});
    }

    const QByteArray m_toolTipName;
    const QByteArray m_contextName;
    const QByteArray m_contextLine;
    const QByteArray m_whatsThisName;
    const QByteArray m_whatsThisLine;
    const QByteArray m_formHelpName;
    const QByteArray m_formHelpLine;
    const QString m_both;
    const QString m_contextOnly;
    const QString m_whatsThisOnly;
    // The entries of one control of the form being written.
    struct Slot {
        QString object;
        const QVariantList* tip = nullptr;
        const QVariantList* ids = nullptr;
    };

    Writer m_tips;
    Writer m_ids;
    // Control names and types are looked up by their bytes as the file has them.
    struct BytesHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view bytes) const {
            return std::hash<std::string_view>()(bytes);
        }
    };
    template <class T>
    using ByBytes = std::unordered_map<std::string, T, BytesHash, std::equal_to<>>;

    // Which of the three properties a control type has, asked once per type.
    bool typeHas(std::string_view type, WrittenProperty property) {
        auto known = m_types.find(type);
        if (known == m_types.end()) {
            const QString text = toText(type);
            std::array<bool, 3> has{};
            for (WrittenProperty p : {WrittenProperty::ToolTipText, WrittenProperty::HelpContextID,
                                      WrittenProperty::WhatsThisHelpID})
                has[static_cast<std::size_t>(p)] = ControlTypeHasProperty(text, p);
            known = m_types.emplace(std::string(type), has).first;
        }
        return known->second[static_cast<std::size_t>(property)];
    }

    ByBytes<Slot> m_controls; // the form's entries by control name
    ByBytes<std::array<bool, 3>> m_types;
    bool m_setFormHelp = false;
};

// Whether the form's What's This IDs need its WhatsThisHelp set to show.
bool needsFormHelp(const FormFacts& facts) {
    return facts.whatsThisControls > 0 && !facts.whatsThisHelp.value_or(false) &&
           QByteArrayView(facts.type.data(), static_cast<qsizetype>(facts.type.size()))
                   .compare("VB.Form", Qt::CaseInsensitive) == 0;
}

QString formHelpWarning(const QString& formName, int controls) {
    return controls == 1 ? QStringLiteral("%1: 1 control got a What's This ID, but the form's "
                                          "WhatsThisHelp is False: the pop-up will not show")
                               .arg(formName)
                         : QStringLiteral("%1: %2 controls got What's This IDs, but the form's "
                                          "WhatsThisHelp is False: the pop-ups will not show")
                               .arg(formName)
                               .arg(controls);
}

// One form in memory: the rewritten text, and when the form's WhatsThisHelp
// stands in the way of its What's This IDs, either a second pass that sets it
// or a warning.
QByteArray rewriteForm(FormRewriter& rewriter, FormRule& rule, std::string_view in,
                       const QString& formName, const QStringList& objects,
                       const FormWriteOptions& options, FormWriteResult& result) {
    rule.beginForm(formName, objects, false);
    QByteArray out = rewriter.run(in, rule);
    if (needsFormHelp(rewriter.facts())) {
        if (options.whatsThisHelp) {
            rule.beginForm(formName, objects, true);
            out = rewriter.run(in, rule);
        } else {
            result.warnings << formHelpWarning(formName, rewriter.facts().whatsThisControls);
        }
    }
    result.controlsUpdated += rewriter.controlsUpdated();
    return out;
}

// Rewrites every form in `formNames` with a copy of `prototype` each. The
// forms are rewritten on the committer's threads; what each finds is kept by
// form and reported in the forms' order. A form whose new text equals the old
// one is left untouched.
void rewriteForms(const QStringList& formNames, const QHash<QString, QStringList>& objects,
                  const QString& vbProjectFileName, const std::vector<FormRow>& forms,
                  const FormRule& prototype, const FormWriteOptions& options,
                  FormWriteResult& result) {
    struct Found {
        QStringList typeWarnings; // lines a control's type has no property for
        FormWriteResult result;   // the form's warnings and controls updated
    };
    std::vector<Found> found(static_cast<std::size_t>(formNames.size()));
    {
        FormCommitter committer(formNames.size());
        for (qsizetype i = 0; i < formNames.size(); ++i) {
            const QString& formName = formNames.at(i);
            const QString path = GetFormFilePath(formName, forms, vbProjectFileName);
            if (path.isEmpty()) {
                committer.fail(i, QStringLiteral("The form %1 is not in the application project "
                                                 "%2: no form file it lists could be read with "
                                                 "that name.")
                                      .arg(formName, native(vbProjectFileName)));
                continue;
            }
            Found* mine = &found[static_cast<std::size_t>(i)];
            committer.start(i, path, [&, mine, formName, path]() -> std::optional<QByteArray> {
                FormRule rule = prototype;
                FormRewriter rewriter(rule.formHelpName());
                const QByteArray in = ReadFileBytes(path);
                const QStringList formObjects = objects.value(formName);
                QByteArray out = rewriteForm(rewriter, rule, view(in), formName, formObjects,
                                             options, mine->result);
                for (const QString& object : formObjects) {
                    if (rule.missed(object))
                        mine->result.warnings
                            << QStringLiteral("%1 is not in the form file %2; nothing was "
                                              "written for it.")
                                   .arg(object, native(path));
                }
                mine->typeWarnings = rule.warnings;
                if (out == in)
                    return std::nullopt;
                return out;
            });
        }
        committer.finish(result);
    }
    QStringList typeWarnings;
    for (const Found& f : found) {
        typeWarnings += f.typeWarnings;
        result.warnings += f.result.warnings;
        result.controlsUpdated += f.result.controlsUpdated;
    }
    typeWarnings.removeDuplicates(); // a control array warns once per element
    result.warnings = typeWarnings + result.warnings;
}

FormWriteResult writeForms(const Entries* toolTips, const Entries* helpIds,
                           const FormWriteOptions& options, const QString& vbProjectFileName,
                           const std::vector<FormRow>& forms) {
    FormWriteResult result;
    FormRule rule(toolTips ? &toolTips->objects : nullptr, helpIds ? &helpIds->objects : nullptr,
                  result);
    // The forms of both writers, each once; an object named by both, once.
    QStringList formNames;
    QHash<QString, QStringList> objects;
    for (const Entries* entries : {toolTips, helpIds}) {
        if (!entries)
            continue;
        for (const QString& form : entries->forms) {
            QStringList& known = objects[form];
            if (known.isEmpty())
                formNames << form;
            const QStringList& more = entries->byForm.value(form);
            if (known.isEmpty()) {
                known = more;
                continue;
            }
            // Those of the second writer that the first did not name.
            const QSet<QString> first(known.cbegin(), known.cend());
            for (const QString& object : more) {
                if (!first.contains(object))
                    known << object;
            }
        }
    }
    rewriteForms(formNames, objects, vbProjectFileName, forms, rule, options, result);
    result.warnings.removeDuplicates(); // a second pass over a form finds the same
    return result;
}

QByteArray rewriteInMemory(QByteArrayView form, const QString& formName,
                           const QHash<QString, QVariantList>* toolTips,
                           const QHash<QString, QVariantList>* helpIds,
                           const FormWriteOptions& options, FormWriteResult& result) {
    FormRule rule(toolTips, helpIds, result);
    FormRewriter rewriter(rule.formHelpName());
    QStringList objects;
    for (const auto* entries : {toolTips, helpIds}) {
        if (entries)
            objects += entries->keys();
    }
    objects.removeDuplicates();
    const QByteArray out =
        rewriteForm(rewriter, rule, {form.data(), static_cast<std::size_t>(form.size())}, formName,
                    objects, options, result);
    rule.warnings.removeDuplicates();
    result.warnings += rule.warnings;
    return out;
}

} // namespace

QByteArray QMTCOdeMod::ToolTipLine(const QString& text) {
    const auto special = [](QChar c) { return c == u'"' || c == u'\r' || c == u'\n'; };
    if (std::none_of(text.cbegin(), text.cend(), special))
        return ansi::fromUnicode(LoadResString(str::vb::ToolTipText) + QStringLiteral("    = \"") +
                                 text + u'"');
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
    return rewriteInMemory(form, formName, &entries, nullptr, {true, false, false}, result);
}

QByteArray RewriteFormHelpIds(QByteArrayView form, const QString& formName,
                              const QHash<QString, QVariantList>& entries,
                              FormWriteResult& result) {
    return rewriteInMemory(form, formName, nullptr, &entries, {false, true, false}, result);
}

QByteArray RewriteForm(QByteArrayView form, const QString& formName,
                       const QHash<QString, QVariantList>& toolTips,
                       const QHash<QString, QVariantList>& helpIds, const FormWriteOptions& options,
                       FormWriteResult& result) {
    return rewriteInMemory(form, formName, options.toolTips ? &toolTips : nullptr,
                           options.helpIds ? &helpIds : nullptr, options, result);
}

FormWriteResult WriteFormFiles(dao::Database& db, const FormWriteOptions& options,
                               const QString& vbProjectFileName,
                               const std::vector<FormRow>& forms) {
    Entries toolTips;
    Entries helpIds;
    if (options.toolTips)
        toolTips = collectEntries(db, LoadResString(str::sql::ToolTipLines), 1); // HelpText
    if (options.helpIds)
        helpIds = collectEntries(db, LoadResString(str::sql::HelpIdLines), 2); // MapNumber, Type
    return writeForms(options.toolTips ? &toolTips : nullptr, options.helpIds ? &helpIds : nullptr,
                      options, vbProjectFileName, forms);
}

FormWriteResult CreateToolTips(dao::Database& db, const QString& vbProjectFileName,
                               const std::vector<FormRow>& forms) {
    return WriteFormFiles(db, {true, false, false}, vbProjectFileName, forms);
}

FormWriteResult CreateContextSensitiveHelp(dao::Database& db, const QString& vbProjectFileName,
                                           const std::vector<FormRow>& forms) {
    return WriteFormFiles(db, {false, true, false}, vbProjectFileName, forms);
}
