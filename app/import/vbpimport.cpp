#include "vbpimport.h"

#include "appproject/projectreader.h"
#include "appproject/qmtcodemod.h"
#include "codepage/ansi.h"
#include "fileio/findpath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <tuple>

using namespace QMTCOdeMod;

namespace import {

namespace {

QString text(std::string_view bytes) {
    return ansi::toUnicode(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

bool named(std::string_view property, std::string_view name) {
    if (property.size() != name.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(property[i])) !=
            std::tolower(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

// The value of a property line: what follows "=", blanks trimmed, and for a
// quoted string its text with doubled quotes made single. False for a value
// kept in the form's .frx file.
bool propertyValue(std::string_view line, QString& value, bool& quoted) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    std::string_view rest = TrimBlanks(line.substr(eq + 1));
    quoted = !rest.empty() && rest.front() == '"';
    if (!rest.empty() && rest.front() == '$')
        return false; // $"form.frx":0000
    if (!quoted) {
        // A number may carry a comment: HelpContextID = 10 'comment
        const std::size_t apostrophe = rest.find('\'');
        value = text(TrimBlanks(rest.substr(0, apostrophe)));
        return true;
    }
    std::string out;
    for (std::size_t i = 1; i < rest.size(); ++i) {
        if (rest[i] == '"') {
            if (i + 1 < rest.size() && rest[i + 1] == '"') {
                out += '"';
                ++i;
                continue;
            }
            break;
        }
        out += rest[i];
    }
    value = text(out);
    return true;
}

int helpId(const QString& value, const QString& object, const QString& where, const char* name,
           QStringList& problems) {
    bool ok = false;
    const long long n = value.toLongLong(&ok);
    if (ok && n >= 0 && n <= 32767)
        return static_cast<int>(n);
    problems << QStringLiteral("%1: the %2 of %3 is \"%4\", no whole number from 0 to 32767; it "
                               "was left out.")
                    .arg(where, QString::fromLatin1(name), object, value);
    return 0;
}

// A text kept in the form's .frx file ($"form.frx":00A9): at the offset, its
// length in four bytes, then the text. False, with `problem`, when it cannot be read.
bool frxText(std::string_view line, const QString& folder, QString& value, QString& problem) {
    std::string_view rest = TrimBlanks(line.substr(line.find('=') + 1));
    const std::size_t open = rest.find('"'), close = rest.find('"', open + 1);
    const std::size_t colon = rest.find(':', close);
    if (open == std::string_view::npos || close == std::string_view::npos ||
        colon == std::string_view::npos) {
        problem = QStringLiteral("is no reference into a .frx file");
        return false;
    }
    const QString name = text(rest.substr(open + 1, close - open - 1));
    bool ok = false;
    const qsizetype offset = text(TrimBlanks(rest.substr(colon + 1))).toLongLong(&ok, 16);
    const QString path = fileio::FindPath(folder + u'/', name);
    QFile file(path);
    if (!ok || !file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("is kept in %1, which cannot be read").arg(name);
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (offset < 0 || offset + 4 > bytes.size()) {
        problem = QStringLiteral("is kept in %1 past its end").arg(name);
        return false;
    }
    const auto* at = reinterpret_cast<const unsigned char*>(bytes.constData() + offset);
    const qsizetype length =
        qsizetype(at[0] | (at[1] << 8) | (at[2] << 16) | (std::uint32_t(at[3]) << 24));
    if (length > bytes.size() - offset - 4) {
        problem = QStringLiteral("is kept in %1, longer than the file").arg(name);
        return false;
    }
    value = ansi::toUnicode(bytes.constData() + offset + 4, length);
    return true;
}

} // namespace

void ReadFormHelp(const QByteArray& formBytes, const QString& formName, const QString& where,
                  VbProjectHelp& into, const QString& frxFolder) {
    std::vector<ControlHelp> open; // the controls whose definition has not ended, innermost last
    std::vector<bool> counted;
    int propertyBlocks = 0;
    bool done = false;
    bool first = true;
    const auto close = [&] {
        ControlHelp c = std::move(open.back());
        open.pop_back();
        if (c.hasToolTip || c.helpContextId || c.whatsThisHelpId) {
            // A control array repeats its name: its elements share one entry,
            // which takes what the first element with it has.
            for (ControlHelp& seen : into.controls) {
                if (seen.object != c.object)
                    continue;
                const auto differs = [&](const QString& property, const QString& kept,
                                         const QString& other) {
                    into.problems << QStringLiteral("%1: the elements of the control array %2 "
                                                    "share one entry; the %3 %4 of a later "
                                                    "element was left out for %5.")
                                         .arg(where, c.object, property, other, kept);
                };
                if (c.hasToolTip && !seen.hasToolTip) {
                    seen.toolTip = c.toolTip;
                    seen.hasToolTip = true;
                } else if (c.hasToolTip && c.toolTip != seen.toolTip) {
                    differs(QStringLiteral("ToolTipText"), u'"' + seen.toolTip + u'"',
                            u'"' + c.toolTip + u'"');
                }
                for (auto [mine, theirs, name] :
                     {std::tuple{&seen.helpContextId, c.helpContextId, "HelpContextID"},
                      std::tuple{&seen.whatsThisHelpId, c.whatsThisHelpId, "WhatsThisHelpID"}}) {
                    if (theirs && !*mine)
                        *mine = theirs;
                    else if (theirs && theirs != *mine)
                        differs(QString::fromLatin1(name), QString::number(*mine),
                                QString::number(theirs));
                }
                return;
            }
            into.controls.push_back(std::move(c));
        }
    };
    ForEachLine(view(formBytes), [&](std::string_view line, std::size_t) {
        if (first)
            line.remove_prefix(ByteOrderMark(line).size());
        first = false;
        if (done)
            return;
        const FormLine form = ClassifyFormLine(line);
        switch (form.kind) {
        case LineKind::Name:
            done = true;
            while (!open.empty())
                close();
            return;
        case LineKind::Control:
            open.push_back({formName + u'.' + text(form.controlName), text(form.controlType)});
            return;
        case LineKind::BeginProperty:
            ++propertyBlocks;
            return;
        case LineKind::EndProperty:
            propertyBlocks = std::max(0, propertyBlocks - 1);
            return;
        case LineKind::End:
            if (propertyBlocks == 0 && !open.empty())
                close();
            return;
        case LineKind::Other:
            break;
        }
        if (open.empty() || propertyBlocks > 0)
            return;
        ControlHelp& c = open.back();
        const std::string_view property = PropertyName(line);
        const bool toolTip = named(property, "ToolTipText");
        const bool context = named(property, "HelpContextID");
        const bool whatsThis = named(property, "WhatsThisHelpID");
        if (!toolTip && !context && !whatsThis)
            return;
        QString value;
        bool quoted = false;
        if (!propertyValue(line, value, quoted)) {
            QString problem = QStringLiteral("is kept in the form's .frx file, which is not read");
            if (!toolTip || frxFolder.isEmpty() || !frxText(line, frxFolder, value, problem)) {
                into.problems << QStringLiteral("%1: the %2 of %3 %4; it was left out.")
                                     .arg(where, text(property), c.object, problem);
                return;
            }
        }
        if (toolTip) {
            c.toolTip = value;
            c.hasToolTip = !value.isEmpty();
        } else if (context) {
            c.helpContextId = helpId(value, c.object, where, "HelpContextID", into.problems);
        } else {
            c.whatsThisHelpId = helpId(value, c.object, where, "WhatsThisHelpID", into.problems);
        }
    });
    while (!open.empty())
        close();
    ++into.forms;
}

VbProjectHelp ReadVbProjectHelp(const QString& vbpPath) {
    VbProjectHelp help;
    const QByteArray project = ReadFileBytes(vbpPath);
    bool first = true;
    ForEachLine(view(project), [&](std::string_view line, std::size_t) {
        if (first)
            line.remove_prefix(ByteOrderMark(line).size());
        first = false;
        if (named(TrimBlanks(LineKey(line)), "HelpFile")) {
            QString value;
            bool quoted = false;
            if (propertyValue(line, value, quoted))
                help.helpFile = value;
        }
    });
    QStringList unreadable;
    const std::vector<FormRow> forms = ReadProjectForms(vbpPath, &unreadable);
    for (const QString& listed : std::as_const(unreadable))
        help.problems << QStringLiteral("The form file %1 listed in %2 cannot be read; its "
                                        "controls were not imported.")
                             .arg(listed, QDir::toNativeSeparators(vbpPath));
    for (const FormRow& form : forms) {
        const QString path = GetFormFilePath(form.formName, forms, vbpPath);
        try {
            ReadFormHelp(ReadFileBytes(path), form.formName, QDir::toNativeSeparators(path), help,
                         QFileInfo(path).absolutePath());
        } catch (const FileError& e) {
            help.problems << e.text();
        }
    }
    return help;
}

} // namespace import
