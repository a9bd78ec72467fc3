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
#include <deque>
#include <functional>
#include <optional>
#include <queue>
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

// The texts the writers put into form files, in Windows-1252, made once per run.
struct WriterTexts {
    WriterTexts()
        : toolTipName(ansi::fromUnicode(LoadResString(str::vb::ToolTipText))),
          toolTipStart(toolTipName + "    = \""),
          contextName(ansi::fromUnicode(LoadResString(str::vb::HelpContextId))),
          contextLine(ansi::fromUnicode(LoadResString(str::vb::HelpContextIdLine))),
          whatsThisName(ansi::fromUnicode(LoadResString(str::vb::WhatsThisHelpId))),
          whatsThisLine(ansi::fromUnicode(LoadResString(str::vb::WhatsThisHelpIdLine))),
          formHelpName(ansi::fromUnicode(LoadResString(str::vb::WhatsThisHelp))),
          // A form's own properties are indented by three blanks.
          formHelpLine("   " + ansi::fromUnicode(LoadResString(str::vb::WhatsThisHelpTrueLine))),
          both(LoadResString(str::helptype::Both)),
          contextOnly(LoadResString(str::helptype::ContextSensitive)),
          whatsThisOnly(LoadResString(str::helptype::WhatsThis)) {}

    const QByteArray toolTipName;
    const QByteArray toolTipStart; // a ToolTipText line up to its text
    const QByteArray contextName;
    const QByteArray contextLine;
    const QByteArray whatsThisName;
    const QByteArray whatsThisLine;
    const QByteArray formHelpName;
    const QByteArray formHelpLine;
    const QString both;
    const QString contextOnly;
    const QString whatsThisOnly;
};

// The tool-tip line for `text`, after `start`. Windows-1252 maps a double
// quote, CR and LF to themselves and nothing else to them, so they are found
// in the encoded bytes.
QByteArray toolTipLine(const QByteArray& start, const QString& text) {
    const QByteArray bytes = ansi::fromUnicode(text);
    QByteArray line;
    line.reserve(start.size() + bytes.size() + 8);
    line += start;
    // Runs without a special character are copied whole.
    const std::string_view value = view(bytes);
    std::size_t from = 0;
    for (std::size_t at = value.find_first_of("\"\r\n"); at != std::string_view::npos;
         at = value.find_first_of("\"\r\n", from)) {
        line.append(value.data() + from, static_cast<qsizetype>(at - from));
        from = at + 1;
        if (value[at] == '"') {
            line += "\"\"";
        } else {
            if (value[at] == '\r' && from < value.size() && value[from] == '\n')
                ++from;
            line += ' ';
        }
    }
    line.append(value.data() + from, static_cast<qsizetype>(value.size() - from));
    line += '"';
    return line;
}

// One entry of a writer: the object it names and the fields its lines need.
// The fields come with the entry query itself: Object is the table's key, so
// a lookup per control would only find the same row again.
struct Entry {
    QString object;       // "form.control"
    QVariant value;       // HelpText of a tool tip; MapNumber of help IDs
    QString helpType;     // help IDs: Type
    bool leftOut = false; // its text or number cannot be written; reported when read
};

// The entries that name one form, each writer's in query order.
struct FormEntries {
    QString form;
    std::vector<Entry> tips;
    std::vector<Entry> ids;
};

// A tool tip without text is left out, and the run fails.
void checkToolTip(Entry& entry, FormWriteResult& result) {
    if (!entry.value.isNull())
        return;
    entry.leftOut = true;
    result.failures << QStringLiteral("The tool tip of %1 has no text stored, so it was left out.")
                           .arg(entry.object);
}

// Help IDs without a map number fail the run; those of an unknown help type
// are left out with a warning.
void checkHelpIds(Entry& entry, const WriterTexts& texts, FormWriteResult& result) {
    if (!textrules::StoredMapNumber(entry.value)) {
        entry.leftOut = true;
        result.failures << textrules::BadMapNumberMessage(entry.object, entry.value);
    } else if (entry.helpType != texts.both && entry.helpType != texts.contextOnly &&
               entry.helpType != texts.whatsThisOnly) {
        entry.leftOut = true;
        result.warnings << QStringLiteral("The What's This entry %1 has the help type \"%2\", "
                                          "which is none of %3, %4 and %5; nothing was written "
                                          "for it.")
                               .arg(entry.object, entry.helpType, texts.both, texts.contextOnly,
                                    texts.whatsThisOnly);
    }
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

// Whether ClassifyFormLine() can find more than a property in `line`: most
// lines are properties, and only one that starts with "A" or whose first
// character after its blanks is "B" or "E" can be anything else.
bool mayOpenOrClose(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    return i < line.size() && (line[i] == 'B' || line[i] == 'E' || (i == 0 && line[i] == 'A'));
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
            const std::string_view text = line.substr(bom.size());
            const FormLine form = mayOpenOrClose(text) ? ClassifyFormLine(text) : FormLine();
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
// time; forms are begun while the entries of later ones are still being
// read. Each folder is synced once when all are done, in finish().
class FormCommitter {
public:
    FormCommitter() { m_pool.setMaxThreadCount(kThreads); }

    // Runs `rewrite` for the form at `path` on a pool thread and saves the
    // new bytes it gives; none leave the form untouched. What fails goes to
    // `failure`, which only this form's work writes.
    void start(QString& failure, const QString& path,
               std::function<std::optional<QByteArray>()> rewrite) {
        m_pool.start([this, &failure, path, rewrite = std::move(rewrite)] {
            guarded(failure, path, [&] {
                if (const std::optional<QByteArray> bytes = rewrite()) {
                    fileio::SaveFile file(path);
                    file.write(*bytes);
                    file.commit(m_folders);
                    const QMutexLocker lock(&m_mutex);
                    m_renamed.emplace_back(&failure, path);
                }
            });
        });
    }

    void finish(FormWriteResult& result) {
        m_pool.waitForDone();
        m_finished = true;
        // A form is written only once its folder's sync succeeded.
        int written = int(m_renamed.size());
        for (const fileio::FileWriteError& e : m_folders.sync()) {
            for (const auto& [failure, path] : m_renamed)
                if (path == e.fileName()) {
                    *failure = e.message();
                    --written;
                }
        }
        result.formsRewritten += written;
    }

    // Without finish() (an error while the entries were read), forms not
    // begun yet are left alone and those already renamed are made to last.
    ~FormCommitter() {
        m_pool.clear();
        m_pool.waitForDone();
        if (!m_finished)
            m_folders.sync();
    }

private:
    template <class F> static void guarded(QString& failure, const QString& path, F&& work) {
        try {
            work();
        } catch (const FileError& e) {
            failure = e.text();
        } catch (const fileio::FileWriteError& e) {
            failure = e.message();
        } catch (const std::exception& e) {
            failure = native(path) + QStringLiteral(": ") + QString::fromLocal8Bit(e.what());
        }
    }

    static constexpr int kThreads = 8;
    fileio::FolderSync m_folders;                        // one sync per folder, in finish()
    QMutex m_mutex;                                      // guards m_renamed while tasks run
    std::vector<std::pair<QString*, QString>> m_renamed; // forms renamed into place
    bool m_finished = false;
    QThreadPool m_pool;
};

// Decides the lines of each control of one form: a ToolTipText line from its
// tool-tip entry, HelpContextID and/or WhatsThisHelpID lines from its What's
// This entry, and on request the form's own WhatsThisHelp line.
class FormRule {
public:
    explicit FormRule(const WriterTexts& texts) : m_texts(texts) {}

    const QByteArray& formHelpName() const { return m_texts.formHelpName; }

    // The form `entries.form` is written next. Controls are looked up by the
    // bytes of their names: Windows-1252 decoding is one to one, so the bytes
    // of a name are its text. An object named by both writers has one slot.
    void beginForm(const FormEntries& entries) {
        m_slots.clear();
        m_byName.clear();
        m_unnamed.clear();
        const QString prefix = entries.form + u'.';
        for (const Entry& entry : entries.tips)
            add(entry, prefix, &Slot::tip);
        for (const Entry& entry : entries.ids)
            add(entry, prefix, &Slot::ids);
    }

    // The form is written again from the start; `setFormHelp`: its own
    // control gets "WhatsThisHelp = -1 'True".
    void restart(bool setFormHelp) {
        m_setFormHelp = setFormHelp;
        for (Slot& slot : m_slots)
            slot.found = false;
    }

    // The objects of the form that have lines to receive and were not met,
    // in entry order.
    QStringList missed() const {
        QStringList objects;
        for (const Slot& slot : m_slots) {
            if (!slot.found && (slot.tip || slot.ids))
                objects << *slot.object;
        }
        return objects;
    }

    ControlLines control(std::string_view controlName, std::string_view type, bool topLevel) {
        ControlLines lines;
        if (topLevel && m_setFormHelp)
            lines.lines.push_back({m_texts.formHelpName, m_texts.formHelpLine, false, false});
        const auto found = m_byName.find(controlName);
        if (found == m_byName.end())
            return lines;
        Slot& slot = m_slots[found->second];
        slot.found = true;
        const QString& object = *slot.object;
        if (slot.tip) {
            if (slot.tipLine.isNull()) // the elements of a control array share it
                slot.tipLine = toolTipLine(m_texts.toolTipStart, slot.tip->value.toString());
            want(lines, type, WrittenProperty::ToolTipText, m_texts.toolTipName, slot.tipLine,
                 object);
        }
        if (slot.ids) {
            const QByteArray digits =
                QByteArray::number(textrules::StoredMapNumber(slot.ids->value).value_or(0));
            const QString& helpType = slot.ids->helpType;
            if (helpType == m_texts.both || helpType == m_texts.contextOnly)
                want(lines, type, WrittenProperty::HelpContextID, m_texts.contextName,
                     m_texts.contextLine + digits, object);
            if (helpType == m_texts.both || helpType == m_texts.whatsThisOnly)
                want(lines, type, WrittenProperty::WhatsThisHelpID, m_texts.whatsThisName,
                     m_texts.whatsThisLine + digits, object, true);
        }
        std::sort(
            lines.lines.begin(), lines.lines.end(),
            [](const PendingLine& a, const PendingLine& b) { return view(a.name) < view(b.name); });
        return lines;
    }

    QStringList warnings;

private:
    // The entries of one control (or of an object no control can match).
    struct Slot {
        const QString* object = nullptr;
        const Entry* tip = nullptr; // none, or left out
        const Entry* ids = nullptr;
        bool found = false; // a control of this name was met
        QByteArray tipLine;
    };

    void add(const Entry& entry, const QString& prefix, const Entry* Slot::*writer) {
        const std::size_t next = m_slots.size();
        std::size_t at = next;
        bool named = false;
        if (entry.object.startsWith(prefix)) {
            const QStringView name = QStringView(entry.object).sliced(prefix.size());
            QByteArray bytes;
            bytes.reserve(name.size());
            // A name Windows-1252 cannot hold is no control name in the file.
            if (ansi::appendEncoded(bytes, name) == name.size()) {
                named = true;
                at = m_byName.try_emplace(bytes.toStdString(), next).first->second;
            }
        }
        if (!named) {
            for (const std::size_t other : m_unnamed) {
                if (*m_slots[other].object == entry.object)
                    at = other;
            }
            if (at == next)
                m_unnamed.push_back(next);
        }
        if (at == next)
            m_slots.push_back({&entry.object, nullptr, nullptr, false, {}});
        m_slots[at].*writer = entry.leftOut ? nullptr : &entry;
    }

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

    // Control names and types are looked up by their bytes as the file has them.
    struct BytesHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view bytes) const {
            return std::hash<std::string_view>()(bytes);
        }
    };
    template <class T>
    using ByBytes = std::unordered_map<std::string, T, BytesHash, std::equal_to<>>;

    // Which of the three properties a control type has, asked once per type
    // and thread (the answer depends on the type alone).
    static bool typeHas(std::string_view type, WrittenProperty property) {
        thread_local ByBytes<std::array<bool, 3>> types;
        auto known = types.find(type);
        if (known == types.end()) {
            const QString text = toText(type);
            std::array<bool, 3> has{};
            for (WrittenProperty p : {WrittenProperty::ToolTipText, WrittenProperty::HelpContextID,
                                      WrittenProperty::WhatsThisHelpID})
                has[static_cast<std::size_t>(p)] = ControlTypeHasProperty(text, p);
            known = types.emplace(std::string(type), has).first;
        }
        return known->second[static_cast<std::size_t>(property)];
    }

    const WriterTexts& m_texts;
    std::vector<Slot> m_slots;          // in entry order
    ByBytes<std::size_t> m_byName;      // slots by control name
    std::vector<std::size_t> m_unnamed; // slots of objects no control can match
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
                       const FormEntries& entries, const FormWriteOptions& options,
                       FormWriteResult& result) {
    rule.beginForm(entries);
    rule.restart(false);
    QByteArray out = rewriter.run(in, rule);
    if (needsFormHelp(rewriter.facts())) {
        if (options.whatsThisHelp) {
            rule.restart(true);
            out = rewriter.run(in, rule);
        } else {
            result.warnings << formHelpWarning(entries.form, rewriter.facts().whatsThisControls);
        }
    }
    result.controlsUpdated += rewriter.controlsUpdated();
    return out;
}

// A form to write: its entries, and what writing it found.
struct FormJob {
    FormEntries entries;
    QByteArray sortKey;   // where the form's rows sort among the entries (see sortKey())
    int tipsRank = -1;    // its place among the forms the tool tips name,
    int idsRank = -1;     // and among those the help IDs name
    bool started = false; // handed to the writers: no entry can be added any more
    QString failure;
    QStringList typeWarnings; // lines a control's type has no property for
    FormWriteResult found;    // its own warnings and controls updated
};

// The entry queries order the rows by Object with NOCASE: ASCII letters
// folded, then the UTF-8 bytes compared. This is that order's key.
QByteArray sortKey(QStringView text) {
    QByteArray key = text.toUtf8();
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

// Reads the entries of both writers in one pass over the two queries, merged
// by Object, and hands each form over as soon as no later row can name it:
// the rows of a form are those whose key starts with the form's key and a
// point (and the one that is the form's name alone, which sorts before them).
// The forms are reported in the order of the separate queries: the tool tips'
// forms first.
class EntryReader {
public:
    explicit EntryReader(const WriterTexts& texts) : m_texts(texts) {}

    void read(dao::Database& db, const FormWriteOptions& options,
              const std::function<void(FormJob&)>& start) {
        // Both queries are open before any form is handed over, so that an
        // error in either leaves every form untouched.
        Cursor tips;
        Cursor ids;
        if (options.toolTips)
            tips.open(db, LoadResString(str::sql::ToolTipLines), m_ordered);
        if (options.helpIds)
            ids.open(db, LoadResString(str::sql::HelpIdLines), m_ordered);
        while (tips.rs || ids.rs) {
            const bool tip = tips.rs && (!ids.rs || tips.key <= ids.key);
            Cursor& from = tip ? tips : ids;
            if (m_ordered) // no later row sorts before this one
                startPassed(from.key, start);
            Entry entry;
            entry.object = from.object;
            entry.value = from.rs->FieldAt(1);
            if (tip) {
                checkToolTip(entry, m_tipChecks);
            } else {
                entry.helpType = from.rs->FieldAt(2).toString();
                checkHelpIds(entry, m_texts, m_idChecks);
            }
            add(std::move(entry), tip);
            from.next(m_ordered);
        }
        for (FormJob& job : m_jobs) {
            if (!job.started)
                begin(job, start);
        }
    }

    // The forms in the order they are reported.
    std::vector<FormJob*> reportOrder() {
        std::vector<FormJob*> order;
        order.reserve(m_jobs.size());
        for (FormJob& job : m_jobs)
            order.push_back(&job);
        std::stable_sort(order.begin(), order.end(), [](const FormJob* a, const FormJob* b) {
            const auto rank = [](const FormJob* job) {
                return job->tipsRank >= 0 ? std::pair(0, job->tipsRank)
                                          : std::pair(1, job->idsRank);
            };
            return rank(a) < rank(b);
        });
        return order;
    }

    // What the checks of the entries found, the tool tips' first.
    QStringList checkFailures() const { return m_tipChecks.failures + m_idChecks.failures; }
    QStringList checkWarnings() const { return m_tipChecks.warnings + m_idChecks.warnings; }

private:
    // One query, forwards, one row ahead.
    struct Cursor {
        std::unique_ptr<dao::Recordset> rs; // none once the rows are done
        QString object;
        QByteArray key;

        void open(dao::Database& db, const QString& sql, bool& ordered) {
            rs = db.OpenRecordset(sql, dao::dbOpenForwardOnly);
            load(ordered);
        }
        void next(bool& ordered) {
            rs->MoveNext();
            load(ordered);
        }
        void load(bool& ordered) {
            if (rs->EOF_()) {
                rs.reset();
                return;
            }
            object = rs->TextAt(0);
            QByteArray last = std::exchange(key, sortKey(object));
            if (key < last) // not the order assumed: hand nothing over before the end
                ordered = false;
        }
    };

    void begin(FormJob& job, const std::function<void(FormJob&)>& start) {
        job.started = true;
        start(job);
    }

    // Hands over every form whose rows all sort before `key`.
    void startPassed(const QByteArray& key, const std::function<void(FormJob&)>& start) {
        while (!m_waiting.empty()) {
            FormJob* job = m_waiting.top().second;
            const QByteArray& form = job->sortKey;
            if (key <= form || key.startsWith(form))
                return;
            m_waiting.pop();
            begin(*job, start);
        }
    }

    void add(Entry entry, bool tip) {
        const QStringView form = QStringView(entry.object).left(entry.object.indexOf(u'.'));
        if (!m_last || m_last->entries.form != form) {
            const QString name = form.toString();
            FormJob*& job = m_byName[name];
            if (!job) {
                job = &m_jobs.emplace_back();
                job->entries.form = name;
                job->sortKey = sortKey(name) + '.';
                m_waiting.emplace(job->sortKey, job);
            }
            m_last = job;
        }
        FormJob& job = *m_last;
        int& rank = tip ? job.tipsRank : job.idsRank;
        if (rank < 0)
            rank = tip ? m_tipForms++ : m_idForms++;
        if (job.started) { // only when the rows were not in the order assumed
            (tip ? m_tipChecks : m_idChecks).failures
                << QStringLiteral("The entry %1 came after the other entries of its form had been "
                                  "written, so it was left out.")
                       .arg(entry.object);
            return;
        }
        (tip ? job.entries.tips : job.entries.ids).push_back(std::move(entry));
    }

    using Waiting = std::pair<QByteArray, FormJob*>;
    struct Later {
        bool operator()(const Waiting& a, const Waiting& b) const { return a.first > b.first; }
    };

    const WriterTexts& m_texts;
    bool m_ordered = true;
    std::deque<FormJob> m_jobs; // in order of first appearance; they stay where they are
    QHash<QString, FormJob*> m_byName;
    FormJob* m_last = nullptr;                                           // the form of the last row
    std::priority_queue<Waiting, std::vector<Waiting>, Later> m_waiting; // not handed over yet
    int m_tipForms = 0;
    int m_idForms = 0;
    FormWriteResult m_tipChecks;
    FormWriteResult m_idChecks;
};

// The entries of `tips` and `ids` (either may be absent) that name controls
// of `formName`, checked as the entry queries' rows are.
FormEntries entriesInMemory(const QString& formName, const QHash<QString, QVariantList>* tips,
                            const QHash<QString, QVariantList>* ids, const WriterTexts& texts,
                            FormWriteResult& result) {
    FormEntries entries{formName, {}, {}};
    const QString prefix = formName + u'.';
    if (tips) {
        for (auto it = tips->cbegin(); it != tips->cend(); ++it) {
            Entry entry{it.key(), it->value(0), {}, false};
            checkToolTip(entry, result);
            if (entry.object.startsWith(prefix))
                entries.tips.push_back(std::move(entry));
        }
    }
    if (ids) {
        for (auto it = ids->cbegin(); it != ids->cend(); ++it) {
            Entry entry{it.key(), it->value(0), it->value(1).toString(), false};
            checkHelpIds(entry, texts, result);
            if (entry.object.startsWith(prefix))
                entries.ids.push_back(std::move(entry));
        }
    }
    return entries;
}

QByteArray rewriteInMemory(QByteArrayView form, const QString& formName,
                           const QHash<QString, QVariantList>* toolTips,
                           const QHash<QString, QVariantList>* helpIds,
                           const FormWriteOptions& options, FormWriteResult& result) {
    const WriterTexts texts;
    const FormEntries entries = entriesInMemory(formName, toolTips, helpIds, texts, result);
    FormRule rule(texts);
    FormRewriter rewriter(rule.formHelpName());
    const QByteArray out =
        rewriteForm(rewriter, rule, {form.data(), static_cast<std::size_t>(form.size())}, entries,
                    options, result);
    rule.warnings.removeDuplicates();
    result.warnings += rule.warnings;
    return out;
}

} // namespace

QByteArray QMTCOdeMod::ToolTipLine(const QString& text) {
    return toolTipLine(ansi::fromUnicode(LoadResString(str::vb::ToolTipText)) + "    = \"", text);
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
    const WriterTexts texts;
    FormWriteResult result;
    EntryReader reader(texts);
    {
        FormCommitter committer;
        reader.read(db, options, [&](FormJob& job) {
            const QString& formName = job.entries.form;
            const QString path = GetFormFilePath(formName, forms, vbProjectFileName);
            if (path.isEmpty()) {
                job.failure = QStringLiteral("The form %1 is not in the application project %2: "
                                             "no form file it lists could be read with that name.")
                                  .arg(formName, native(vbProjectFileName));
                return;
            }
            committer.start(job.failure, path, [&texts, &options, &job, path] {
                FormRule rule(texts);
                FormRewriter rewriter(rule.formHelpName());
                const QByteArray in = ReadFileBytes(path);
                QByteArray out =
                    rewriteForm(rewriter, rule, view(in), job.entries, options, job.found);
                for (const QString& object : rule.missed())
                    job.found.warnings << QStringLiteral("%1 is not in the form file %2; nothing "
                                                         "was written for it.")
                                              .arg(object, native(path));
                job.typeWarnings = rule.warnings;
                return out == in ? std::optional<QByteArray>() : std::optional(std::move(out));
            });
        });
        committer.finish(result);
    }
    result.failures = reader.checkFailures();
    QStringList typeWarnings;
    QStringList formWarnings;
    for (const FormJob* job : reader.reportOrder()) {
        if (!job->failure.isEmpty())
            result.failures << job->failure;
        typeWarnings += job->typeWarnings;
        formWarnings += job->found.warnings;
        result.controlsUpdated += job->found.controlsUpdated;
    }
    typeWarnings.removeDuplicates(); // a control array warns once per element
    result.warnings = typeWarnings + reader.checkWarnings() + formWarnings;
    result.warnings.removeDuplicates(); // a second pass over a form finds the same
    return result;
}

FormWriteResult CreateToolTips(dao::Database& db, const QString& vbProjectFileName,
                               const std::vector<FormRow>& forms) {
    return WriteFormFiles(db, {true, false, false}, vbProjectFileName, forms);
}

FormWriteResult CreateContextSensitiveHelp(dao::Database& db, const QString& vbProjectFileName,
                                           const std::vector<FormRow>& forms) {
    return WriteFormFiles(db, {false, true, false}, vbProjectFileName, forms);
}
