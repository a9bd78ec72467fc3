#include "hhproject.h"

#include "codepage/ansi.h"
#include "pathnames.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace chm {

namespace {

constexpr int kMaxIncludeDepth = 8;

QStringList splitLines(const QByteArray& bytes) {
    QStringList lines = ansi::toUnicode(bytes).split(u'\n');
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    return lines;
}

// "Key=value" with blanks round both removed.
bool splitKeyValue(const QString& line, QString& key, QString& value) {
    const qsizetype eq = line.indexOf(u'=');
    if (eq <= 0)
        return false;
    key = line.left(eq).trimmed();
    value = line.mid(eq + 1).trimmed();
    return !key.isEmpty();
}

QString withSlashes(QString name) {
    name.replace(u'\\', u'/');
    return name;
}

// A name after "#include": bare, in quotes or in angle brackets.
QString includeName(const QString& rest) {
    QString name = rest.trimmed();
    if (name.size() >= 2 && ((name.front() == u'"' && name.back() == u'"') ||
                             (name.front() == u'<' && name.back() == u'>')))
        name = name.mid(1, name.size() - 2).trimmed();
    return withSlashes(name);
}

// A line without its C comments ("// ..." and "/* ... */" on the line).
QString withoutComments(QString line) {
    for (qsizetype open = line.indexOf(QLatin1String("/*")); open >= 0;
         open = line.indexOf(QLatin1String("/*"))) {
        const qsizetype close = line.indexOf(QLatin1String("*/"), open + 2);
        line.remove(open, close < 0 ? line.size() - open : close + 2 - open);
    }
    const qsizetype slashes = line.indexOf(QLatin1String("//"));
    if (slashes >= 0)
        line.truncate(slashes);
    return line.trimmed();
}

bool parseNumber(QString text, std::uint32_t& number) {
    text = text.trimmed();
    while (text.startsWith(u'(') && text.endsWith(u')'))
        text = text.mid(1, text.size() - 2).trimmed();
    while (!text.isEmpty() && (text.back() == u'L' || text.back() == u'l' || text.back() == u'U' ||
                               text.back() == u'u'))
        text.chop(1);
    bool ok = false;
    qulonglong value = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toULongLong(&ok, 16);
    else
        value = text.toULongLong(&ok, 10);
    if (!ok || value > 0xFFFFFFFFull)
        return false;
    number = std::uint32_t(value);
    return true;
}

// The values of a [WINDOWS] line: quoted texts, bare numbers, "[..]" groups.
QStringList windowFields(const QString& text) {
    QStringList fields;
    QString current;
    bool quoted = false;
    int brackets = 0;
    for (const QChar c : text) {
        if (quoted) {
            if (c == u'"')
                quoted = false;
            else
                current += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u'[') {
            ++brackets;
            current += c;
        } else if (c == u']') {
            brackets = std::max(0, brackets - 1);
            current += c;
        } else if (c == u',' && brackets == 0) {
            fields << current.trimmed();
            current.clear();
        } else {
            current += c;
        }
    }
    fields << current.trimmed();
    return fields;
}

class Reader {
public:
    Reader(HhpProject& p, Diagnostics& d) : m_p(p), m_d(d) {}

    void project(const QByteArray& bytes) {
        const QStringList lines = splitLines(bytes);
        QString section;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const SourceLine at{m_p.path, int(i + 1)};
            const QString line = lines[i].trimmed();
            if (line.isEmpty() || line.startsWith(u';'))
                continue;
            if (line.startsWith(u'[') && line.endsWith(u']')) {
                section = line.mid(1, line.size() - 2).trimmed().toUpper();
                if (section == QLatin1String("INFOTYPES") || section == QLatin1String("SUBSETS") ||
                    section == QLatin1String("MERGE FILES"))
                    m_d.warning(at.file, at.line,
                                QStringLiteral("the section [%1] is not supported; it is ignored")
                                    .arg(section));
                else if (!isKnownSection(section))
                    m_d.warning(at.file, at.line,
                                QStringLiteral("unknown section [%1]; it is ignored").arg(section));
                continue;
            }
            if (section == QLatin1String("OPTIONS"))
                option(line, at);
            else if (section == QLatin1String("FILES"))
                m_p.files.push_back({withSlashes(line), at});
            else if (section == QLatin1String("TEXT POPUPS"))
                m_p.textPopups.push_back({withSlashes(line), at});
            else if (section == QLatin1String("ALIAS"))
                alias(line, at, 0);
            else if (section == QLatin1String("MAP"))
                mapLine(line, at, 0);
            else if (section == QLatin1String("WINDOWS"))
                window(line, at);
            else if (section.isEmpty())
                m_d.warning(at.file, at.line,
                            QStringLiteral("a line before the first section; it is ignored"));
        }
        if (m_p.compiledFile.isEmpty())
            m_d.error(m_p.path, 0,
                      QStringLiteral("the project names no compiled file (\"Compiled "
                                     "file=\" under [OPTIONS])"));
    }

private:
    static bool isKnownSection(const QString& s) {
        return s == QLatin1String("OPTIONS") || s == QLatin1String("FILES") ||
               s == QLatin1String("ALIAS") || s == QLatin1String("MAP") ||
               s == QLatin1String("WINDOWS") || s == QLatin1String("TEXT POPUPS");
    }

    void option(const QString& line, const SourceLine& at) {
        QString key, value;
        if (!splitKeyValue(line, key, value)) {
            m_d.warning(at.file, at.line, QStringLiteral("\"%1\" is not an option line").arg(line));
            return;
        }
        key = key.toUpper();
        if (key == QLatin1String("COMPILED FILE"))
            m_p.compiledFile = withSlashes(value);
        else if (key == QLatin1String("CONTENTS FILE"))
            m_p.contentsFile = withSlashes(value);
        else if (key == QLatin1String("INDEX FILE"))
            m_p.indexFile = withSlashes(value);
        else if (key == QLatin1String("DEFAULT TOPIC"))
            m_p.defaultTopic = withSlashes(value);
        else if (key == QLatin1String("DEFAULT WINDOW"))
            m_p.defaultWindow = value;
        else if (key == QLatin1String("TITLE"))
            m_p.title = value;
        else if (key == QLatin1String("DEFAULT FONT"))
            m_p.defaultFont = value;
        else if (key == QLatin1String("FULL-TEXT SEARCH") ||
                 key == QLatin1String("FULL TEXT SEARCH"))
            m_p.fullTextSearch = value.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0 ||
                                 value == QLatin1String("1");
        else if (key == QLatin1String("LANGUAGE"))
            language(value, at);
    }

    void language(const QString& value, const SourceLine& at) {
        const QString first = value.section(u' ', 0, 0);
        std::uint32_t lcid = 0;
        if (!parseNumber(first, lcid) || lcid == 0 || lcid > 0xFFFF) {
            m_d.warning(at.file, at.line,
                        QStringLiteral("the language \"%1\" is not a language number such as "
                                       "\"0x409\"; 0x409 is used")
                            .arg(value));
            return;
        }
        m_p.lcid = lcid;
    }

    void alias(const QString& line, const SourceLine& at, int depth) {
        if (line.startsWith(QLatin1String("#include"), Qt::CaseInsensitive)) {
            include(includeName(line.mid(8)), at, depth, /*aliases=*/true);
            return;
        }
        QString name, page;
        if (!splitKeyValue(line, name, page) || page.isEmpty()) {
            m_d.warning(at.file, at.line,
                        QStringLiteral("\"%1\" is not an alias line (NAME=page.htm)").arg(line));
            return;
        }
        m_p.aliases.push_back({name, withSlashes(page), at});
    }

    void mapLine(const QString& raw, const SourceLine& at, int depth) {
        const QString line = withoutComments(raw);
        if (line.isEmpty())
            return;
        if (line.startsWith(QLatin1String("#include"), Qt::CaseInsensitive)) {
            include(includeName(line.mid(8)), at, depth, /*aliases=*/false);
            return;
        }
        if (line.startsWith(QLatin1String("#define"), Qt::CaseInsensitive)) {
            static const QRegularExpression blanks(QStringLiteral("\\s+"));
            const QStringList parts = line.mid(7).split(blanks, Qt::SkipEmptyParts);
            std::uint32_t number = 0;
            if (parts.size() < 2 || !parseNumber(parts.mid(1).join(QString()), number)) {
                m_d.warning(
                    at.file, at.line,
                    QStringLiteral("\"%1\" does not define a context number").arg(raw.trimmed()));
                return;
            }
            m_p.defines.push_back({parts[0], number, at});
            return;
        }
        if (line.startsWith(u'#'))
            return; // other preprocessor lines (#ifndef, #pragma) mean nothing here
        m_d.warning(
            at.file, at.line,
            QStringLiteral("\"%1\" is not a \"#define NAME number\" line").arg(raw.trimmed()));
    }

    void include(const QString& name, const SourceLine& at, int depth, bool aliases) {
        if (name.isEmpty()) {
            m_d.warning(at.file, at.line, QStringLiteral("#include names no file"));
            return;
        }
        if (depth >= kMaxIncludeDepth) {
            m_d.error(at.file, at.line,
                      QStringLiteral("\"%1\" is included too deeply (an include loop?)").arg(name));
            return;
        }
        QString path = ResolvePath(QFileInfo(at.file).absolutePath(), name);
        if (path.isEmpty())
            path = ResolvePath(m_p.folder, name);
        QFile file(path);
        if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
            m_d.error(at.file, at.line,
                      QStringLiteral("the included file \"%1\" cannot be read").arg(name));
            return;
        }
        const QStringList lines = splitLines(file.readAll());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString line = lines[i].trimmed();
            if (line.isEmpty() || line.startsWith(u';'))
                continue;
            const SourceLine where{path, int(i + 1)};
            if (aliases)
                alias(line, where, depth + 1);
            else
                mapLine(line, where, depth + 1);
        }
    }

    void window(const QString& line, const SourceLine& at) {
        QString name, value;
        if (!splitKeyValue(line, name, value)) {
            m_d.warning(
                at.file, at.line,
                QStringLiteral("\"%1\" is not a window line (name=\"title\",...)").arg(line));
            return;
        }
        m_p.windows.push_back({name, windowFields(value), at});
    }

    HhpProject& m_p;
    Diagnostics& m_d;
};

} // namespace

HhpProject ParseHhpProject(const QByteArray& bytes, const QString& path, Diagnostics& diagnostics) {
    HhpProject p;
    p.path = path;
    p.folder = QFileInfo(path).absolutePath();
    Reader(p, diagnostics).project(bytes);
    return p;
}

HhpProject ReadHhpProject(const QString& path, Diagnostics& diagnostics) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        diagnostics.error(
            path, 0,
            QStringLiteral("the project file cannot be read (%1)").arg(file.errorString()));
        HhpProject p;
        p.path = path;
        p.folder = QFileInfo(path).absolutePath();
        return p;
    }
    return ParseHhpProject(file.readAll(), path, diagnostics);
}

} // namespace chm
