#include "project.h"

#include "codepage/ansi.h"
#include "fileio/findpath.h"
#include "sourcefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cctype>

namespace hc {

namespace {

QString text(const QByteArray& bytes) {
    return ansi::toUnicode(bytes);
}

QByteArray stripComment(QByteArray line) {
    for (qsizetype open = line.indexOf("/*"); open >= 0; open = line.indexOf("/*", open)) {
        const qsizetype close = line.indexOf("*/", open + 2);
        line.remove(open, close < 0 ? line.size() - open : close + 2 - open);
    }
    const qsizetype semicolon = line.indexOf(';');
    if (semicolon >= 0)
        line.truncate(semicolon);
    const qsizetype slashes = line.indexOf("//");
    if (slashes >= 0)
        line.truncate(slashes);
    return line.trimmed();
}

bool parseNumber(QByteArrayView text, std::int32_t& value) {
    QByteArrayView t = text.trimmed();
    if (t.endsWith('L') || t.endsWith('l'))
        t.chop(1);
    long long v = 0;
    // Plain digits, as a map has thousands of: without the general parser.
    if (!t.isEmpty() && t.size() <= 18 &&
        std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        for (const char c : t)
            v = v * 10 + (c - '0');
        if (v > 0xFFFFFFFFLL)
            return false;
        value = std::int32_t(std::uint32_t(v));
        return true;
    }
    bool ok = false;
    if (t.startsWith("0x") || t.startsWith("0X"))
        v = t.sliced(2).toLongLong(&ok, 16);
    else
        v = t.toLongLong(&ok, 10);
    if (!ok || v < INT32_MIN || v > 0xFFFFFFFFLL)
        return false;
    value = std::int32_t(std::uint32_t(v));
    return true;
}

// Splits at commas outside quotes and parentheses.
QList<QByteArray> splitFields(const QByteArray& s) {
    QList<QByteArray> fields;
    QByteArray current;
    int depth = 0;
    bool quoted = false;
    for (char c : s) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '(')
            ++depth;
        else if (!quoted && c == ')')
            --depth;
        if (c == ',' && depth == 0 && !quoted) {
            fields << current.trimmed();
            current.clear();
        } else {
            current += c;
        }
    }
    fields << current.trimmed();
    return fields;
}

bool parseColor(QByteArray field, std::uint32_t& color) {
    field = field.trimmed();
    if (!field.startsWith('(') || !field.endsWith(')'))
        return false;
    field = field.mid(1, field.size() - 2).trimmed();
    if (field.isEmpty())
        return false;
    std::int32_t v = 0;
    if (field.startsWith('r') || field.startsWith('R')) {
        if (!parseNumber(field.mid(1), v))
            return false;
        color = std::uint32_t(v) & 0xFFFFFF;
        return true;
    }
    const QList<QByteArray> parts = field.split(',');
    if (parts.size() != 3)
        return false;
    std::int32_t rgb[3];
    for (int i = 0; i < 3; ++i)
        if (!parseNumber(parts[i], rgb[i]) || rgb[i] < 0 || rgb[i] > 255)
            return false;
    color = std::uint32_t(rgb[0]) | (std::uint32_t(rgb[1]) << 8) | (std::uint32_t(rgb[2]) << 16);
    return true;
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// A name Windows reads as absolute: "C:\...", "\\server\..." or "\...".
bool isWindowsAbsolute(const QString& name) {
    return (name.size() >= 3 && name[1] == u':' && (name[2] == u'\\' || name[2] == u'/')) ||
           name.startsWith(u'\\');
}

// A name a header can define: letters, digits, '_' and '.'.
bool isIdentifier(QByteArrayView name) {
    if (name.isEmpty())
        return false;
    for (char c : name)
        if (!(std::isalnum(uchar(c)) || c == '_' || c == '.'))
            return false;
    return true;
}

class Reader {
public:
    Reader(HelpProject& p, Diagnostics& d) : m_p(p), m_d(d) {}

    void read(const QString& path);

private:
    void option(const QByteArray& key, const QByteArray& value, int line);
    void mapLine(QByteArrayView line, const QString& file, int lineNo, int depth,
                 bool included = false);
    void includeFile(const QByteArray& name, const QString& file, int lineNo, int depth);
    QString findInclude(const QString& name, const QString& from) const;
    void window(const QByteArray& line, int lineNo);
    void alias(const QByteArray& line, int lineNo);
    void includeOptions(const QByteArray& all);
    bool fitsSystem(const QByteArray& value, const char* what, int line);

    HelpProject& m_p;
    Diagnostics& m_d;
    std::vector<QString> m_chain;  // the files being read, the project first
    std::vector<QString> m_seen;   // every map file read once already
    std::vector<QString> m_looped; // the files a loop led back to
    bool m_tooManyWindows = false;
};

// INCLUDE= lines count wherever they stand in [OPTIONS]: the folders they name
// are known before the first #include is read.
void Reader::includeOptions(const QByteArray& all) {
    for (const QString& folder : std::as_const(m_p.includeFolders))
        if (!QFileInfo(folder).isDir())
            m_d.warning(
                m_p.path, 0,
                QStringLiteral("include folder %1 (/I) is not a folder").arg(native(folder)));
    bool options = false;
    int lineNo = 0;
    for (qsizetype at = 0; at < all.size();) {
        qsizetype end = all.indexOf('\n', at);
        if (end < 0)
            end = all.size();
        const QByteArrayView line = QByteArrayView(all).sliced(at, end - at).trimmed();
        at = end + 1;
        ++lineNo;
        if (line.startsWith('[')) {
            options = line.sliced(1).trimmed().toByteArray().toUpper().startsWith("OPTIONS");
            continue;
        }
        if (!options)
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0 || line.first(eq).trimmed().compare("INCLUDE", Qt::CaseInsensitive) != 0)
            continue;
        const QByteArray folder = stripComment(line.sliced(eq + 1).toByteArray());
        if (folder.isEmpty())
            continue;
        m_p.includeFolders << ResolveProjectPath(m_p.folder, text(folder));
        if (!QFileInfo(m_p.includeFolders.back()).isDir())
            m_d.warning(m_p.path, lineNo,
                        QStringLiteral("include folder %1 is not a folder")
                            .arg(native(m_p.includeFolders.back())));
    }
}

bool Reader::fitsSystem(const QByteArray& value, const char* what, int line) {
    if (value.size() <= kMaxSystemText)
        return true;
    m_d.error(m_p.path, line,
              QStringLiteral("%1 is %2 characters long; a help file holds at most %3")
                  .arg(QLatin1StringView(what))
                  .arg(value.size())
                  .arg(kMaxSystemText));
    return false;
}

void Reader::read(const QString& path) {
    const SourceFile f = ReadSourceFile(path);
    if (f.status != SourceFile::Read) {
        m_d.error(path, 0,
                  f.status == SourceFile::NotRegular
                      ? QStringLiteral("the help project is not a regular file; it is not read")
                      : QStringLiteral("the help project file cannot be read (%1)").arg(f.reason));
        return;
    }
    const QByteArray& all = f.bytes;
    m_chain.push_back(QFileInfo(path).canonicalFilePath());
    includeOptions(all);
    QByteArray section;
    bool inMap = false;
    QByteArray helpFile;
    int lineNo = 0;
    for (qsizetype at = 0; at <= all.size();) {
        ++lineNo;
        qsizetype lineEnd = all.indexOf('\n', at);
        if (lineEnd < 0)
            lineEnd = all.size();
        QByteArrayView raw = QByteArrayView(all).sliced(at, lineEnd - at);
        at = lineEnd + 1;
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QByteArrayView view = raw.trimmed();
        if (view.isEmpty() || view.startsWith(';') || view.startsWith("//"))
            continue;
        if (inMap && !view.startsWith('[')) { // the longest section: no copies
            mapLine(view, path, lineNo, 0);
            continue;
        }
        const QByteArray line = view.toByteArray();
        if (line.startsWith('[')) {
            const qsizetype end = line.indexOf(']');
            if (end < 0) {
                m_d.error(path, lineNo, QStringLiteral("section name without its closing bracket"));
                section = "?";
                inMap = false;
                continue;
            }
            section = line.mid(1, end - 1).trimmed().toUpper();
            inMap = section == "MAP";
            static const QList<QByteArray> known = {"OPTIONS", "FILES",  "MAP",
                                                    "WINDOWS", "CONFIG", "ALIAS"};
            if (!known.contains(section))
                m_d.warning(path, lineNo,
                            QStringLiteral("section [%1] is not supported and is ignored")
                                .arg(text(section)));
            continue;
        }
        if (section.isEmpty()) {
            m_d.warning(path, lineNo, QStringLiteral("line outside any section ignored"));
            continue;
        }
        if (section == "OPTIONS") {
            const qsizetype eq = line.indexOf('=');
            if (eq < 0) {
                m_d.warning(path, lineNo, QStringLiteral("option without \"=\" ignored"));
                continue;
            }
            const QByteArray key = line.left(eq).trimmed().toUpper();
            QByteArray value = line.mid(eq + 1).trimmed();
            if (key == "HLP") {
                helpFile = stripComment(value);
                m_p.helpFileLine = lineNo;
            } else
                option(key, value, lineNo);
        } else if (section == "FILES") {
            const QByteArray name = stripComment(line);
            if (!name.isEmpty())
                m_p.topicFiles.push_back({ResolveProjectPath(m_p.folder, text(name)), lineNo});
        } else if (section == "WINDOWS") {
            window(line, lineNo);
        } else if (section == "CONFIG") {
            if (fitsSystem(line, "the macro", lineNo))
                m_p.macros.push_back(line);
        } else if (section == "ALIAS") {
            alias(line, lineNo);
        }
    }
    if (m_p.topicFiles.empty())
        m_d.error(path, 0,
                  QStringLiteral("the project names no topic file ([FILES] is missing or empty)"));
    if (std::any_of(helpFile.begin(), helpFile.end(), [](char c) { return uchar(c) < 0x20; }))
        m_d.error(path, m_p.helpFileLine,
                  QStringLiteral("the help file name in HLP= holds a control character"));
    if (helpFile.isEmpty())
        m_p.helpFile =
            QDir(m_p.folder).filePath(QFileInfo(path).completeBaseName() + QStringLiteral(".hlp"));
    else
        m_p.helpFile = ResolveProjectPath(m_p.folder, text(helpFile));
}

void Reader::option(const QByteArray& key, const QByteArray& value, int line) {
    if (key == "TITLE") {
        if (fitsSystem(value, "TITLE", line))
            m_p.title = value;
    } else if (key == "COPYRIGHT") {
        if (fitsSystem(value, "COPYRIGHT", line))
            m_p.copyright = value;
    } else if (key == "CNT") {
        if (fitsSystem(stripComment(value), "CNT", line))
            m_p.contentsFile = stripComment(value);
    } else if (key == "CONTENTS" || key == "INDEX") {
        m_p.contentsTopic = stripComment(value);
    } else if (key == "LCID") {
        const QList<QByteArray> parts = stripComment(value).simplified().split(' ');
        m_p.hasLcid = true;
        for (qsizetype i = 0; i < parts.size() && i < 3; ++i) {
            std::int32_t v = 0;
            if (!parseNumber(parts[i], v) || v < 0 || v > 0xFFFF) {
                m_d.warning(m_p.path, line,
                            QStringLiteral("LCID is not a list of numbers; ignored"));
                m_p.hasLcid = false;
                return;
            }
            m_p.lcid[i] = std::uint16_t(v);
        }
    } else if (key == "BMROOT") {
        // One or more folders, separated by commas, relative to the project's folder.
        for (const QByteArray& part : stripComment(value).split(',')) {
            const QByteArray folder = part.trimmed();
            if (folder.isEmpty())
                continue;
            m_p.bitmapFolders << ResolveProjectPath(m_p.folder, text(folder));
            if (!QFileInfo(m_p.bitmapFolders.back()).isDir())
                m_d.warning(m_p.path, line,
                            QStringLiteral("picture folder %1 (BMROOT) is not a folder")
                                .arg(native(m_p.bitmapFolders.back())));
        }
    } else if (key == "COMPRESS") {
        const QByteArray v = stripComment(value).toUpper();
        std::int32_t n = 0;
        m_p.compress = !(v == "0" || v == "NO" || v == "FALSE" || v == "OFF" ||
                         (parseNumber(v.split(' ').value(0), n) && n == 0));
    }
    // REPORT, FTS, ERRORLOG and the other options do not change the file.
}

void Reader::mapLine(QByteArrayView raw, const QString& file, int lineNo, int depth,
                     bool included) {
    // NAME=number alone, the form Create writes, taken without copies.
    {
        const QByteArrayView line = raw.trimmed();
        // One pass: the first '=', and no ';' or '/' that could start a comment.
        qsizetype eq = -1;
        bool plain = !line.startsWith('#');
        for (qsizetype i = 0; plain && i < line.size(); ++i) {
            const char c = line[i];
            if (c == ';' || c == '/')
                plain = false;
            else if (c == '=' && eq < 0)
                eq = i;
        }
        std::int32_t number = 0;
        if (plain && eq > 0) {
            const QByteArrayView name = line.first(eq).trimmed();
            if (!name.contains(' ') && parseNumber(line.sliced(eq + 1), number)) {
                m_p.map.add(name, number, file, lineNo);
                return;
            }
        }
    }
    QByteArray line = raw.trimmed().toByteArray();
    if (line.startsWith("#include")) {
        includeFile(line.mid(8).trimmed(), file, lineNo, depth);
        return;
    }
    line = stripComment(line);
    if (line.isEmpty())
        return;
    const bool define = line.startsWith("#define");
    if (define)
        line = line.mid(7).trimmed();
    else if (line.startsWith('#'))
        return; // other preprocessor lines (#ifdef, #endif ...)
    QByteArray name;
    QByteArray number;
    const qsizetype eq = line.indexOf('=');
    if (eq >= 0) {
        name = line.left(eq).trimmed();
        number = line.mid(eq + 1).trimmed();
    } else {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() == 2) {
            name = parts[0];
            number = parts[1];
        }
    }
    MapEntry e;
    if (included && (!isIdentifier(name) || !parseNumber(number, e.number))) {
        // A header holds more than map entries: declarations, include guards,
        // macros of other values. Only a #define that gives a value is worth
        // a word.
        if (define && !name.isEmpty() && !number.isEmpty())
            m_d.warning(file, lineNo,
                        QStringLiteral("#define %1 does not give a number; it is no map entry")
                            .arg(text(name)));
        return;
    }
    if (name.isEmpty() || name.contains(' ') || !parseNumber(number, e.number)) {
        m_d.error(
            file, lineNo,
            QStringLiteral("map entry \"%1\" is not of the form NAME=number").arg(text(line)));
        return;
    }
    m_p.map.add(name, e.number, file, lineNo);
}

QString Reader::findInclude(const QString& name, const QString& from) const {
    QStringList folders = {m_p.folder, QFileInfo(from).absolutePath()};
    folders << m_p.includeFolders;
    folders.removeDuplicates();
    for (const QString& folder : folders) {
        const QString path = ResolveProjectPath(folder, name);
        if (QFileInfo::exists(path))
            return path;
    }
    // A Windows path of the machine the project was written on: the file
    // may have been copied into a folder the compiler searches.
    if (isWindowsAbsolute(name)) {
        QString base = name;
        base.replace(u'\\', u'/');
        base = base.mid(base.lastIndexOf(u'/') + 1);
        for (const QString& folder : folders) {
            const QString path = ResolveProjectPath(folder, base);
            if (!base.isEmpty() && QFileInfo::exists(path))
                return path;
        }
    }
    return {};
}

void Reader::includeFile(const QByteArray& target, const QString& file, int lineNo, int depth) {
    QByteArray name = target;
    if ((name.startsWith('<') && name.endsWith('>')) ||
        (name.startsWith('"') && name.endsWith('"')))
        name = name.mid(1, name.size() - 2);
    const QString wanted = text(name.trimmed());
    if (wanted.isEmpty()) {
        m_d.warning(file, lineNo, QStringLiteral("#include without a file name ignored"));
        return;
    }
    const QString path = findInclude(wanted, file);
    const auto lost = [&](const QString& why) {
        m_d.warning(file, lineNo,
                    QStringLiteral("included file %1 %2; the map numbers it holds are left out")
                        .arg(native(wanted), why));
    };
    if (path.isEmpty()) {
        lost(m_p.includeFolders.isEmpty()
                 ? QStringLiteral("is not found")
                 : QStringLiteral("is not found in the project's folder or an include folder"));
        return;
    }
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (std::find(m_chain.begin(), m_chain.end(), canonical) != m_chain.end()) {
        // Once for each file: a file including itself on every line is one loop.
        if (std::find(m_looped.begin(), m_looped.end(), canonical) == m_looped.end())
            m_d.warning(file, lineNo,
                        QStringLiteral("#include loop: %1 is already being read; not read again")
                            .arg(native(path)));
        m_looped.push_back(canonical);
        return;
    }
    // A header included from several places is read once, as include guards
    // would have it.
    if (std::find(m_seen.begin(), m_seen.end(), canonical) != m_seen.end())
        return;
    if (depth > 8) {
        m_d.error(file, lineNo, QStringLiteral("#include nested too deeply"));
        return;
    }
    const SourceFile f = ReadSourceFile(path, kMaxIncludeSize);
    switch (f.status) {
    case SourceFile::Read:
        break;
    case SourceFile::NotRegular:
        m_d.error(file, lineNo,
                  QStringLiteral("included file %1 is not a regular file; it is not read")
                      .arg(native(path)));
        return;
    case SourceFile::TooLarge:
        m_d.error(file, lineNo,
                  QStringLiteral("included file %1 is larger than %2 MB; it is not a map file")
                      .arg(native(path))
                      .arg(kMaxIncludeSize >> 20));
        return;
    case SourceFile::Missing:
    case SourceFile::Failed:
        lost(QStringLiteral("cannot be read (%1)").arg(f.reason));
        return;
    }
    m_seen.push_back(canonical);
    m_p.includedFiles.push_back(path);
    m_chain.push_back(canonical);
    // Every form of the [MAP] section counts: #define lines of a C header
    // and the "NAME number" lines of generated map files alike.
    const QList<QByteArray> lines = f.bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i)
        mapLine(lines[i], path, int(i + 1), depth + 1, true);
    m_chain.pop_back();
}

void Reader::alias(const QByteArray& line, int lineNo) {
    const QByteArray entry = stripComment(line);
    const qsizetype eq = entry.indexOf('=');
    const QByteArray name = entry.left(eq).trimmed();
    const QByteArray target = entry.mid(eq + 1).trimmed();
    if (eq <= 0 || name.isEmpty() || target.isEmpty() || name.contains(' ') ||
        target.contains(' ')) {
        m_d.warning(m_p.path, lineNo,
                    QStringLiteral("alias \"%1\" is not of the form ALIAS=context; ignored")
                        .arg(text(entry)));
        return;
    }
    m_p.aliases.push_back({name, target, m_p.path, lineNo});
}

void Reader::window(const QByteArray& line, int lineNo) {
    const qsizetype eq = line.indexOf('=');
    if (eq <= 0) {
        m_d.warning(m_p.path, lineNo, QStringLiteral("window definition without \"=\" ignored"));
        return;
    }
    if (int(m_p.windows.size()) >= kMaxWindows) {
        if (!m_tooManyWindows)
            m_d.error(m_p.path, lineNo,
                      QStringLiteral("more than %1 windows; a help file holds at most %1")
                          .arg(kMaxWindows));
        m_tooManyWindows = true;
        return;
    }
    WindowDefinition w;
    w.name = line.left(eq).trimmed();
    if (w.name.size() > 8) {
        m_d.warning(m_p.path, lineNo,
                    QStringLiteral("window name longer than 8 characters; shortened"));
        w.name.truncate(8);
    }
    const QList<QByteArray> fields = splitFields(line.mid(eq + 1));
    if (!fields.isEmpty()) {
        QByteArray caption = fields[0];
        if (caption.startsWith('"') && caption.endsWith('"') && caption.size() >= 2)
            caption = caption.mid(1, caption.size() - 2);
        w.caption = caption.left(50);
    }
    if (fields.size() > 1 && !fields[1].isEmpty()) {
        const QByteArray place = fields[1].mid(1, fields[1].size() - 2);
        const QList<QByteArray> v = place.split(',');
        std::int32_t n[4];
        bool ok = fields[1].startsWith('(') && fields[1].endsWith(')') && v.size() == 4;
        for (int i = 0; ok && i < 4; ++i)
            ok = parseNumber(v[i], n[i]) && n[i] >= 0 && n[i] <= 0xFFFF;
        if (ok) {
            w.hasPlace = true;
            w.x = n[0];
            w.y = n[1];
            w.width = n[2];
            w.height = n[3];
        } else {
            m_d.warning(m_p.path, lineNo,
                        QStringLiteral("window position is not (x,y,width,height); ignored"));
        }
    }
    std::int32_t sizing = 0;
    if (fields.size() > 2 && parseNumber(fields[2], sizing))
        w.maximize = (sizing & 1) != 0;
    if (fields.size() > 3 && !fields[3].isEmpty())
        w.hasColor = parseColor(fields[3], w.color);
    if (fields.size() > 4 && !fields[4].isEmpty())
        w.hasNonScrollColor = parseColor(fields[4], w.nonScrollColor);
    m_p.windows.push_back(w);
}

} // namespace

QString ResolveProjectPath(const QString& folder, const QString& name) {
    QString n = name;
    // No file has control characters in its name; such a name finds nothing.
    n.replace(QRegularExpression(QStringLiteral("[\\x00-\\x1f]")), QStringLiteral("?"));
    n.replace(u'\\', u'/');
    if (QDir::isAbsolutePath(n))
        return n;
    return fileio::FindPath(folder + u'/', n);
}

HelpProject ReadHelpProject(const QString& path, Diagnostics& diagnostics,
                            const QStringList& includeFolders) {
    HelpProject p;
    p.path = path;
    p.folder = QFileInfo(path).absolutePath();
    for (const QString& folder : includeFolders)
        p.includeFolders << QFileInfo(folder).absoluteFilePath();
    Reader(p, diagnostics).read(path);
    return p;
}

void MapEntries::add(QByteArrayView contextString, std::int32_t number, const QString& file,
                     int line) {
    // The entries of one file come together: its name is kept once.
    if (m_files.empty() ||
        (m_files.back().constData() != file.constData() && m_files.back() != file))
        m_files.push_back(file);
    m_rows.push_back({std::uint32_t(m_names.size()), number, std::int32_t(line),
                      std::uint32_t(m_files.size() - 1)});
    const qsizetype at = m_names.size();
    m_names.resize(at + contextString.size());
    std::copy(contextString.begin(), contextString.end(), m_names.begin() + at);
}

} // namespace hc
