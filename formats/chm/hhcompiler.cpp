#include "hhcompiler.h"

#include "bytes.h"
#include "codepage/ansi.h"
#include "container.h"
#include "fulltext.h"
#include "pathnames.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace chm {

using namespace bytes;

namespace {

constexpr int kBlock = 4096;
constexpr int kUrlTableEntry = 12;
constexpr int kUrlTableEntriesPerBlock = kBlock / kUrlTableEntry; // 341, then 4 spare bytes
constexpr int kWindowEntrySize = 0xC4;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

QByteArray bytesOf(const QString& text) {
    return ansi::fromUnicode(text);
}

// #STRINGS: zero-terminated texts, each once, none across a 4 KB boundary.
// Offset 0 is the empty text.
class StringsFile {
public:
    StringsFile() : m_data(1, '\0') {}
    std::uint32_t add(const QByteArray& text) {
        if (text.isEmpty())
            return 0;
        if (const auto it = m_at.constFind(text); it != m_at.constEnd())
            return *it;
        const qsizetype used = m_data.size() % kBlock;
        if (text.size() + 1 < kBlock && used + text.size() + 1 > kBlock)
            m_data.append(QByteArray(kBlock - used, '\0'));
        const auto at = std::uint32_t(m_data.size());
        m_data += text;
        m_data += '\0';
        m_at.insert(text, at);
        return at;
    }
    std::uint32_t addOrNone(const QByteArray& text) { return text.isEmpty() ? 0 : add(text); }
    const QByteArray& data() const { return m_data; }

private:
    QByteArray m_data;
    QHash<QByteArray, std::uint32_t> m_at;
};

struct Input {
    QString internal; // "/folder/page.htm"
    QString disk;
    bool topic = false; // an HTML page, listed in #TOPICS
};

bool isHtml(const QString& name) {
    const QString suffix = QFileInfo(name).suffix().toLower();
    return suffix == QLatin1String("htm") || suffix == QLatin1String("html");
}

QString withoutAnchor(const QString& page) {
    const qsizetype hash = page.indexOf(u'#');
    return hash < 0 ? page : page.left(hash);
}

class Compiler {
public:
    Compiler(const HhpProject& p, Diagnostics& d) : m_p(p), m_d(d) {}

    HhcOutput run(const HhcOptions& options) {
        HhcOutput out;
        out.compiledFile = QDir::cleanPath(QDir(m_p.folder).absoluteFilePath(m_p.compiledFile));
        if (m_d.hasErrors())
            return out;
        collectInputs();
        if (m_d.hasErrors())
            return out;
        if (!readInputs())
            return out;
        contextIds();
        systemFiles();
        if (m_d.hasErrors())
            return out;
        out.bytes = m_container.write(m_p.lcid, options.lzxEffort);
        m_stats.uncompressed = m_container.sizes().uncompressed;
        m_stats.compressed = m_container.sizes().compressed;
        out.stats = m_stats;
        out.ok = true;
        return out;
    }

private:
    // The input `name` (as written at `at`); false when it cannot be used.
    bool addInput(const QString& name, const SourceLine& at, bool topic, bool required,
                  const QString& what) {
        const QString internal = InternalPath(name);
        if (internal.isEmpty()) {
            m_d.error(
                at.file, at.line,
                QStringLiteral("the %1 \"%2\" lies outside the project's folder").arg(what, name));
            return false;
        }
        if (m_byInternal.contains(internal.toLower()))
            return true;
        const QString disk = ResolvePath(m_p.folder, name);
        if (disk.isEmpty() || !QFileInfo(disk).isFile()) {
            const QString text =
                QStringLiteral("the %1 \"%2\" is missing%3")
                    .arg(what, name, required ? QString() : QStringLiteral("; it is left out"));
            if (required)
                m_d.error(at.file, at.line, text);
            else
                m_d.warning(at.file, at.line, text);
            return false;
        }
        m_byInternal.insert(internal.toLower(), int(m_inputs.size()));
        m_inputs.push_back({internal, disk, topic});
        return true;
    }

    void collectInputs() {
        const SourceLine project{m_p.path, 0};
        for (const HhpName& f : m_p.files) {
            if (f.path.contains(u'*') || f.path.contains(u'?')) {
                addPattern(f);
                continue;
            }
            addInput(f.path, f.at, isHtml(f.path), false, QStringLiteral("file"));
        }
        if (!m_p.contentsFile.isEmpty())
            addInput(m_p.contentsFile, project, false, true, QStringLiteral("contents file"));
        if (!m_p.indexFile.isEmpty())
            addInput(m_p.indexFile, project, false, true, QStringLiteral("index file"));
        if (!m_p.defaultTopic.isEmpty())
            addInput(withoutAnchor(m_p.defaultTopic), project, isHtml(m_p.defaultTopic), false,
                     QStringLiteral("default topic"));
        for (const HhpName& f : m_p.textPopups)
            if (addInput(f.path, f.at, false, false, QStringLiteral("text pop-up file")))
                ++m_stats.textPopups;
        for (const HhpAlias& a : m_p.aliases) {
            const QString key = a.name.toUpper();
            if (m_aliasPage.contains(key)) {
                m_d.warning(
                    a.at.file, a.at.line,
                    QStringLiteral("the alias %1 is given twice; the first is kept").arg(a.name));
                continue;
            }
            const QString page = withoutAnchor(a.page);
            if (!addInput(page, a.at, isHtml(page), false,
                          QStringLiteral("page of the alias %1,").arg(a.name)))
                continue;
            m_aliasPage.insert(
                key,
                m_inputs[std::size_t(m_byInternal.value(InternalPath(page).toLower()))].internal);
        }
    }

    void addPattern(const HhpName& f) {
        const QString folder = QFileInfo(f.path).path();
        const QString pattern = QFileInfo(f.path).fileName();
        const QString diskFolder =
            folder == QLatin1String(".") ? m_p.folder : ResolvePath(m_p.folder, folder);
        const QStringList names =
            diskFolder.isEmpty() ? QStringList()
                                 : QDir(diskFolder).entryList({pattern}, QDir::Files, QDir::Name);
        if (names.isEmpty())
            m_d.warning(f.at.file, f.at.line, QStringLiteral("no file matches \"%1\"").arg(f.path));
        for (const QString& name : names) {
            const QString relative = folder == QLatin1String(".") ? name : folder + u'/' + name;
            addInput(relative, f.at, isHtml(name), false, QStringLiteral("file"));
        }
    }

    bool readInputs() {
        for (const Input& in : m_inputs) {
            QFile file(in.disk);
            if (!file.open(QIODevice::ReadOnly)) {
                m_d.error(in.disk, 0,
                          QStringLiteral("the file cannot be read (%1)").arg(file.errorString()));
                return false;
            }
            const QByteArray bytes = file.readAll();
            if (file.error() != QFileDevice::NoError) {
                m_d.error(in.disk, 0,
                          QStringLiteral("the file cannot be read (%1)").arg(file.errorString()));
                return false;
            }
            m_container.add(in.internal.toUtf8(), bytes);
            ++m_stats.files;
            if (in.topic)
                m_topics.push_back({in.internal, PageTitle(bytes), bytes});
        }
        return true;
    }

    void contextIds() {
        QHash<std::uint32_t, QString> byNumber;
        for (const HhpDefine& def : m_p.defines) {
            const auto page = m_aliasPage.constFind(def.name.toUpper());
            if (page == m_aliasPage.constEnd()) {
                if (!aliasNamed(def.name))
                    m_d.warning(def.at.file, def.at.line,
                                QStringLiteral("no [ALIAS] line gives the page of %1 (%2); the "
                                               "number is left out")
                                    .arg(def.name)
                                    .arg(def.number));
                continue;
            }
            if (const auto other = byNumber.constFind(def.number); other != byNumber.constEnd()) {
                m_d.warning(def.at.file, def.at.line,
                            QStringLiteral("the map number %1 is used twice (%2 and %3); %2 "
                                           "keeps it")
                                .arg(def.number)
                                .arg(*other, def.name));
                continue;
            }
            byNumber.insert(def.number, def.name);
            m_ivb.push_back({def.number, *page});
        }
        m_stats.contextIds = int(m_ivb.size());
    }
    // Whether an alias of that name was written (its page may be missing).
    bool aliasNamed(const QString& name) const {
        for (const HhpAlias& a : m_p.aliases)
            if (a.name.compare(name, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    }

    // A name inside the file as the system files give it: without the
    // leading "/".
    static QByteArray relative(const QString& internal) { return internal.mid(1).toUtf8(); }

    QByteArray internalName(const QString& name) const {
        const QString internal = InternalPath(withoutAnchor(name));
        if (internal.isEmpty())
            return bytesOf(name);
        const auto it = m_byInternal.constFind(internal.toLower());
        const QString stored =
            it == m_byInternal.constEnd() ? internal : m_inputs[std::size_t(*it)].internal;
        const qsizetype hash = name.indexOf(u'#');
        return relative(stored) + (hash < 0 ? QByteArray() : bytesOf(name.mid(hash)));
    }

    void systemFiles() {
        // #TOPICS, #URLTBL, #URLSTR
        QByteArray topics, urlTable, urlStrings(1, '\0');
        for (qsizetype i = 0; i < qsizetype(m_topics.size()); ++i) {
            const auto& [internal, title, bytes] = m_topics[std::size_t(i)];
            const QByteArray local = relative(internal);
            if ((urlStrings.size() % kBlock) + 8 + local.size() + 1 > kBlock &&
                8 + local.size() + 1 < kBlock)
                urlStrings.append(QByteArray(kBlock - urlStrings.size() % kBlock, '\0'));
            const auto urlString = std::uint32_t(urlStrings.size());
            putU32(urlStrings, 0); // no full URL
            putU32(urlStrings, 0); // no frame name
            urlStrings += local;
            urlStrings += '\0';

            if (i > 0 && i % kUrlTableEntriesPerBlock == 0)
                urlTable.append(QByteArray(kBlock - urlTable.size() % kBlock, '\0'));
            const auto urlEntry = std::uint32_t(urlTable.size());
            putU32(urlTable, std::uint32_t(i + 1)); // an identifier, in ascending order
            putU32(urlTable, std::uint32_t(i));
            putU32(urlTable, urlString);

            putU32(topics, 0); // no binary contents
            putU32(topics, title.isEmpty() ? kNone : m_strings.add(title));
            putU32(topics, urlEntry);
            putU16(topics, 6);
            putU16(topics, 0);
        }
        m_stats.topics = int(m_topics.size());

        // #IVB: pairs of context number and the page's name in #STRINGS.
        QByteArray ivb;
        putU32(ivb, std::uint32_t(m_ivb.size() * 8));
        for (const auto& [number, page] : m_ivb) {
            putU32(ivb, number);
            putU32(ivb, m_strings.add(page.toUtf8()));
        }

        const QByteArray windows = windowsFile();
        const QByteArray system = systemFile();
        const QByteArray idxhdr = indexHeader();

        m_container.add(QByteArrayLiteral("/#SYSTEM"), system, /*uncompressed=*/true);
        if (!m_p.windows.empty())
            m_container.add(QByteArrayLiteral("/#WINDOWS"), windows);
        m_container.add(QByteArrayLiteral("/#IDXHDR"), idxhdr);
        m_container.add(QByteArrayLiteral("/#TOPICS"), topics);
        m_container.add(QByteArrayLiteral("/#URLTBL"), urlTable);
        m_container.add(QByteArrayLiteral("/#URLSTR"), urlStrings);
        m_container.add(QByteArrayLiteral("/#IVB"), ivb);
        m_container.add(QByteArrayLiteral("/#STRINGS"), m_strings.data());
        if (m_p.fullTextSearch) {
            std::vector<QByteArray> pages;
            pages.reserve(m_topics.size());
            for (const Topic& t : m_topics)
                pages.push_back(t.bytes);
            m_container.add(QByteArrayLiteral("/$FIftiMain"), BuildFullTextIndex(pages, m_p.lcid));
        }
    }

    QByteArray systemFile() {
        QByteArray s;
        putU32(s, 3); // version
        const auto entry = [&s](int code, const QByteArray& data) {
            putU16(s, std::uint32_t(code));
            putU16(s, std::uint32_t(data.size()));
            s += data;
        };
        const auto text = [&entry](int code, const QByteArray& value) {
            entry(code, value + '\0');
        };
        if (!m_p.contentsFile.isEmpty())
            text(0, internalName(m_p.contentsFile));
        if (!m_p.indexFile.isEmpty())
            text(1, internalName(m_p.indexFile));
        if (!m_p.defaultTopic.isEmpty())
            text(2, internalName(m_p.defaultTopic));
        text(3, bytesOf(m_p.title));
        QByteArray language;
        putU32(language, m_p.lcid);
        putU32(language, 0); // no double-byte character set
        putU32(language, m_p.fullTextSearch ? 1 : 0);
        putU32(language, 0); // keyword links
        putU32(language, 0); // associative links
        // The time of compiling as a Windows file time (100 ns since 1601).
        const auto fileTime =
            std::uint64_t(QDateTime::currentSecsSinceEpoch() + 11644473600LL) * 10000000ull;
        putU32(language, std::uint32_t(fileTime & 0xFFFFFFFFu));
        putU32(language, std::uint32_t(fileTime >> 32));
        putU32(language, 0);
        putU32(language, 0);
        entry(4, language);
        if (!m_p.defaultWindow.isEmpty())
            text(5, bytesOf(m_p.defaultWindow));
        text(6, bytesOf(QFileInfo(m_p.compiledFile).completeBaseName()));
        text(9, QByteArrayLiteral("qmt-hhc"));
        if (!m_p.defaultFont.isEmpty())
            text(16, bytesOf(m_p.defaultFont));
        return s;
    }

    QByteArray windowsFile() {
        QByteArray w;
        putU32(w, std::uint32_t(m_p.windows.size()));
        putU32(w, kWindowEntrySize);
        for (const HhpWindow& win : m_p.windows) {
            const auto field = [&win](int i) {
                return i < win.fields.size() ? win.fields[i] : QString();
            };
            const auto number = [&](int i, std::uint32_t& value) {
                const QString f = field(i);
                if (f.isEmpty())
                    return false;
                bool ok = false;
                value = f.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                            ? f.mid(2).toUInt(&ok, 16)
                            : std::uint32_t(f.toInt(&ok, 10));
                if (!ok)
                    m_d.warning(win.at.file, win.at.line,
                                QStringLiteral("the value \"%1\" of the window %2 is not a number")
                                    .arg(f, win.name));
                return ok;
            };
            const auto page = [&](int i) {
                const QString f = field(i);
                return f.isEmpty() ? 0u : m_strings.add(internalName(f));
            };
            // The layout of the viewer's window type structure, strings as
            // offsets in #STRINGS.
            QByteArray e(kWindowEntrySize, '\0');
            std::uint32_t valid = 0, value = 0;
            const auto optional = [&](int i, std::uint32_t flag, int at) {
                if (number(i, value)) {
                    valid |= flag;
                    setU32(e, at, value);
                }
            };
            setU32(e, 0x00, kWindowEntrySize);
            setU32(e, 0x08, m_strings.add(bytesOf(win.name)));
            optional(9, 0x2, 0x10); // properties
            setU32(e, 0x14, m_strings.add(bytesOf(field(0))));
            optional(13, 0x4, 0x18);
            optional(14, 0x8, 0x1C);
            const QString rect = field(12);
            if (rect.startsWith(u'[') && rect.endsWith(u']')) {
                const QStringList parts = rect.mid(1, rect.size() - 2).split(u',');
                if (parts.size() == 4) {
                    valid |= 0x10;
                    for (int i = 0; i < 4; ++i)
                        setU32(e, 0x20 + 4 * i, std::uint32_t(parts[i].trimmed().toInt()));
                }
            }
            optional(15, 0x40, 0x30);
            optional(10, 0x20, 0x4C);
            setU32(e, 0x60, page(1));
            setU32(e, 0x64, page(2));
            setU32(e, 0x68, page(3));
            setU32(e, 0x6C, page(4));
            optional(11, 0x100, 0x70);
            optional(16, 0x200, 0x74);
            optional(17, 0x2000, 0x78);
            optional(18, 0x400, 0x7C);
            if (number(19, value))
                setU32(e, 0x80, value);
            setU32(e, 0x9C, m_strings.add(bytesOf(field(6))));
            setU32(e, 0xA0, m_strings.add(bytesOf(field(8))));
            setU32(e, 0xA4, page(5));
            setU32(e, 0xA8, page(7));
            setU32(e, 0x0C, valid);
            w += e;
        }
        return w;
    }

    QByteArray indexHeader() {
        QByteArray h;
        h += QByteArrayLiteral("T#SM");
        putU32(h, std::uint32_t(QDateTime::currentSecsSinceEpoch()));
        putU32(h, 1);
        putU32(h, 0); // topic nodes of a binary index
        putU32(h, 0);
        putU32(h, kNone); // no image list
        putU32(h, 0);
        putU32(h, 0); // folder images
        putU32(h, 0); // background colour
        putU32(h, 0); // foreground colour
        putU32(h, m_p.defaultFont.isEmpty() ? kNone : m_strings.add(bytesOf(m_p.defaultFont)));
        putU32(h, 0); // window styles
        putU32(h, 0); // extended window styles
        putU32(h, 0);
        putU32(h, kNone); // frame name
        putU32(h, m_p.defaultWindow.isEmpty() ? kNone : m_strings.add(bytesOf(m_p.defaultWindow)));
        putU32(h, 0); // information types
        putU32(h, 0);
        putU32(h, 0); // merged files
        putU32(h, 0);
        h.append(QByteArray(kBlock - h.size(), '\0'));
        return h;
    }

    const HhpProject& m_p;
    Diagnostics& m_d;
    std::vector<Input> m_inputs;
    QHash<QString, int> m_byInternal;    // lower-case internal name -> input
    QHash<QString, QString> m_aliasPage; // upper-case alias -> internal name
    struct Topic {
        QString internal;
        QByteArray title;
        QByteArray bytes;
    };
    std::vector<Topic> m_topics;
    std::vector<std::pair<std::uint32_t, QString>> m_ivb;
    StringsFile m_strings;
    ContainerWriter m_container;
    HhcStats m_stats;
};

} // namespace

QByteArray PageTitle(const QByteArray& page) {
    // The head is near the start: a title further on is taken as none.
    const QByteArray head = page.left(16384);
    const qsizetype open = head.indexOf("<title");
    qsizetype at = open >= 0 ? open : head.toLower().indexOf("<title");
    if (at < 0)
        return QByteArray();
    at = head.indexOf('>', at);
    if (at < 0)
        return QByteArray();
    ++at;
    qsizetype end = head.indexOf('<', at);
    if (end < 0)
        end = head.size();
    QByteArray title = head.mid(at, end - at).simplified();
    title.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&nbsp;", " ");
    title.replace("&amp;", "&");
    return title;
}

HhcOutput CompileHhp(const HhpProject& project, Diagnostics& diagnostics,
                     const HhcOptions& options) {
    return Compiler(project, diagnostics).run(options);
}

} // namespace chm
