#include "importer.h"

#include "appproject/qmtcodemod.h"
#include "codepage/ansi.h"
#include "contents/contentsrules.h"
#include "contents/contentstable.h"
#include "dao.h"
#include "fileio/savefile.h"
#include "import/chmimport.h"
#include "import/cntfile.h"
#include "import/hlpimport.h"
#include "import/mapfile.h"
#include "import/rtftopics.h"
#include "import/vbpimport.h"
#include "picture.h"
#include "pictureimage.h"
#include "project.h"
#include "resources/stringtable.h"
#include "workspace/createsettings.h"
#include "workspace/filltemplate.h"
#include "workspace/mapnumbers.h"
#include "workspace/options.h"
#include "workspace/records.h"
#include "workspace/textrules.h"
#include "workspace/transaction.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <map>
#include <unordered_map>

namespace import {

namespace {

const QString kActive = QStringLiteral("A");

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString plural(int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(n == 1 ? one : many));
}

// A file's text in the code page help projects and applications are written in.
QString readText(const QString& path) {
    return ansi::toUnicode(QMTCOdeMod::ReadFileBytes(path));
}

// The files beside `path` with its base name and one of `extensions`, in
// any letter case.
QStringList besideFiles(const QString& base, const QDir& folder,
                        std::initializer_list<QStringView> extensions) {
    QStringList found;
    const QStringList entries = folder.entryList(QDir::Files);
    for (QStringView ext : extensions)
        for (const QString& e : entries)
            if (e.compare(base + u'.' + ext, Qt::CaseInsensitive) == 0)
                found << folder.filePath(e);
    return found;
}
QStringList besideFiles(const QString& path, std::initializer_list<QStringView> extensions) {
    const QFileInfo info(path);
    return besideFiles(info.completeBaseName(), info.dir(), extensions);
}

// The context strings a map header, VB module or help project names: its
// map entries, aliases and the IDs of its topic files.
void contextNames(const QString& path, ContextNames& names) {
    if (QFileInfo(path).suffix().compare(u"hpj", Qt::CaseInsensitive) != 0) {
        MapRead read;
        ReadMapLines(readText(path), native(path), 1, read);
        for (const MapEntry& e : read.entries)
            AddContextName(names, e.name);
        return;
    }
    hc::Diagnostics diagnostics;
    const hc::HelpProject project = hc::ReadHelpProject(path, diagnostics);
    for (const hc::MapEntry& e : project.map)
        AddContextName(names, QString::fromLatin1(e.contextString));
    for (const hc::Alias& a : project.aliases)
        AddContextName(names, QString::fromLatin1(a.alias));
    for (const hc::HelpProject::TopicFile& file : project.topicFiles) {
        if (!QFileInfo(file.path).isFile())
            continue;
        for (const QString& id : RtfTopicIds(QMTCOdeMod::ReadFileBytes(file.path)))
            AddContextName(names, id);
    }
}

// The pictures taken out of help files, written as .bmp files into the
// folder kPictureFolder beside the project file: only when the whole import
// is stored, each under a name no file there has yet. The topics' text names
// them by that folder and name, with "/" ("Pictures/x.bmp": the topic file's
// reader does not see a picture whose name holds "\\"), which Create finds
// beside the help project it writes (the project's folder, unless the author
// moved it).
class PictureFiles {
public:
    explicit PictureFiles(const QString& projectPath)
        : m_folder(QFileInfo(projectPath).absoluteDir().filePath(kPictureFolder)) {}

    // The name for the picture `number` of `helpFile`, one per picture.
    QString name(const QString& helpFile, int number, QByteArrayView stored, QString& problem) {
        const QString key = helpFile + u'|' + QString::number(number);
        if (const auto it = m_names.constFind(key); it != m_names.constEnd())
            return *it;
        QString name;
        try {
            const QByteArray bytes = bmpBytes(hc::ReadPicture(stored));
            if (bytes.isEmpty())
                problem =
                    QStringLiteral("its picture |bm%1 could not be made a .bmp file").arg(number);
            else
                name = newName(QFileInfo(helpFile).completeBaseName(), number, bytes);
        } catch (const std::exception& e) {
            problem = QStringLiteral("its picture |bm%1 cannot be read (%2)")
                          .arg(number)
                          .arg(QString::fromUtf8(e.what()));
        }
        if (!name.isEmpty())
            m_names.insert(key, name);
        return name;
    }

    // Drops the pictures no text in `texts` names: those of topics left out.
    void keepNamed(const QStringList& texts) {
        std::erase_if(m_pending, [&](const auto& pending) {
            const QString name = kPictureFolder + u'/' + QFileInfo(pending.first).fileName();
            return std::none_of(texts.begin(), texts.end(), [&](const QString& t) {
                return t.contains(name, Qt::CaseInsensitive);
            });
        });
    }

    bool empty() const { return m_pending.empty(); }
    qsizetype count() const { return qsizetype(m_pending.size()); }
    QString folder() const { return m_folder; }

    // Writes every picture; on a failure removes those written and throws.
    void write() {
        m_madeFolder = !QFileInfo(m_folder).isDir();
        if (m_madeFolder && !QDir().mkpath(m_folder))
            throw fileio::FileWriteError(native(m_folder), QStringLiteral("could not be made"));
        try {
            for (const auto& [path, bytes] : m_pending) {
                fileio::SaveBytes(path, bytes);
                m_written << path;
            }
        } catch (...) {
            removeWritten();
            throw;
        }
    }

    // Undoes write(): the project did not take the topics that name them.
    void removeWritten() {
        for (const QString& path : std::as_const(m_written))
            QFile::remove(path);
        m_written.clear();
        if (m_madeFolder)
            QDir().rmdir(m_folder);
        m_madeFolder = false;
    }

private:
    // A 24-bit picture keeps its colours; one of few colours becomes a
    // picture with a palette again, as it was in the help file.
    static QByteArray bmpBytes(QImage image) {
        QList<QRgb> colors;
        for (int y = 0; y < image.height() && colors.size() <= 256; ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width() && colors.size() <= 256; ++x)
                if (!colors.contains(line[x]))
                    colors << line[x];
        }
        if (colors.size() <= 256)
            image = image.convertToFormat(QImage::Format_Indexed8, colors,
                                          Qt::ThresholdDither | Qt::AvoidDither);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        return image.save(&buffer, "BMP") ? bytes : QByteArray();
    }

    // "<help file>_<number>.bmp", numbered on when a file of that name (in
    // any letter case) is there or taken.
    QString newName(const QString& base, int number, const QByteArray& bytes) {
        if (m_existing.isEmpty())
            for (const QString& e : QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden))
                m_existing.insert(e.toLower());
        QString stem = QStringLiteral("%1_%2").arg(base).arg(number);
        stem.removeIf([](QChar c) { return c == u' ' || c == u'\\' || c == u'{' || c == u'}'; });
        QString file = stem + QStringLiteral(".bmp");
        for (int n = 2; m_existing.contains(file.toLower()); ++n)
            file = QStringLiteral("%1_%2.bmp").arg(stem).arg(n);
        m_existing.insert(file.toLower());
        m_pending.emplace_back(QDir(m_folder).filePath(file), bytes);
        return kPictureFolder + u'/' + file;
    }

    static inline const QString kPictureFolder = QStringLiteral("Pictures");
    QString m_folder;
    QSet<QString> m_existing; // the folder's names, in lower case, and those given out
    QHash<QString, QString> m_names;
    std::vector<std::pair<QString, QByteArray>> m_pending;
    QStringList m_written;
    bool m_madeFolder = false;
};

// A source file's path for comparing: absolute, in lower case.
QString sourceKey(const QString& path) {
    return QFileInfo(path).absoluteFilePath().toLower();
}

// What the project holds and what the import adds to it, kept in memory
// until everything has been read; then stored in one transaction.
class Importer {
public:
    Importer(dao::Database& db, ImportReport& report)
        : m_db(db), m_report(report), m_pictures(db.Name()) {
        load();
    }

    void mapFile(const QString& path) {
        MapRead read;
        ReadMapLines(readText(path), native(path), 1, read);
        m_report.skipped += read.problems;
        m_report.read << QStringLiteral("%1 (%2)").arg(
            native(path), plural(int(read.entries.size()), "map entry", "map entries"));
        mapEntries(read.entries);
    }

    void vbProject(const QString& path) {
        const VbProjectHelp help = ReadVbProjectHelp(path);
        m_report.skipped += help.problems;
        for (const ControlHelp& c : help.controls) {
            if (c.hasToolTip)
                toolTip(c);
            if (c.helpContextId || c.whatsThisHelpId)
                whatsThis(c);
        }
        option(str::option::VBPF, QFileInfo(path).absoluteFilePath(),
               QStringLiteral("application project"));
        if (!help.helpFile.isEmpty())
            option(str::option::HLPF, help.helpFile, QStringLiteral("help file"));
        m_report.read << QStringLiteral("%1 (%2, %3 with help properties)")
                             .arg(native(path), plural(help.forms, "form", "forms"),
                                  plural(int(help.controls.size()), "control", "controls"));
    }

    void helpProject(const QString& path) {
        hc::Diagnostics diagnostics;
        const hc::HelpProject project = hc::ReadHelpProject(path, diagnostics);
        for (const hc::Diagnostic& d : diagnostics.items())
            (d.severity == hc::Severity::Error ? m_report.problems : m_report.skipped)
                << d.format();
        if (diagnostics.hasErrors())
            return;
        const QDir folder(project.folder);
        m_report.read << QStringLiteral("%1 (%2, %3)")
                             .arg(native(path),
                                  plural(int(project.topicFiles.size()), "topic file",
                                         "topic files"),
                                  plural(int(project.map.size()), "map entry", "map entries"));
        option(str::option::HPJT, ansi::toUnicode(project.title), QStringLiteral("title"));
        if (!project.helpFile.isEmpty())
            option(str::option::HLPF, folder.relativeFilePath(project.helpFile),
                   QStringLiteral("help file"));
        // Without a CNT= line a viewer opens the contents file named like the
        // help file, as help projects of application wizards leave it.
        QString cnt;
        if (!project.contentsFile.isEmpty()) {
            cnt = hc::ResolveProjectPath(project.folder, QString::fromLatin1(project.contentsFile));
        } else {
            const QStringList named = besideFiles(
                QFileInfo(project.helpFile.isEmpty() ? path : project.helpFile).completeBaseName(),
                folder, {u"cnt"});
            if (!named.isEmpty() && !m_sources.contains(sourceKey(named.front()))) {
                cnt = named.front();
                m_report.skipped << QStringLiteral("%1 names no contents file (CNT=); %2, named "
                                                   "like its help file, was imported as its "
                                                   "contents.")
                                        .arg(native(path), native(cnt));
            }
        }
        if (!cnt.isEmpty())
            option(str::option::CRCF, QStringLiteral("1"), QStringLiteral("Contents File box"),
                   QStringLiteral("ticked"));
        // Create rewrites its help project, topic file and contents file
        // whole: named after the author's own sources, it would write over them.
        m_report.skipped << QStringLiteral("%1: the Create tab's help project, RTF and contents "
                                           "file names are not taken from it, so that Create "
                                           "never writes over the files imported; name your own "
                                           "on the Create tab.")
                                .arg(native(path));
        helpType(true);
        // The topics first, so that the map entries number the new ones.
        for (const hc::HelpProject::TopicFile& file : project.topicFiles)
            topicFile(file.path);
        if (!project.contentsTopic.isEmpty())
            m_report.skipped << QStringLiteral("%1: its contents topic %2 is not kept in a "
                                               "project (the first topic is the contents "
                                               "topic).")
                                    .arg(native(path), QString::fromLatin1(project.contentsTopic));
        if (!project.windows.empty())
            m_report.skipped << QStringLiteral("%1: its %2 are not kept in a project.")
                                    .arg(native(path),
                                         plural(int(project.windows.size()), "window definition",
                                                "window definitions"));
        std::vector<MapEntry> entries;
        for (const hc::MapEntry& e : project.map)
            entries.push_back(
                {QString::fromLatin1(e.contextString), int(e.number), native(e.file), e.line});
        mapEntries(entries);
        if (!cnt.isEmpty()) {
            if (QFileInfo(cnt).isFile())
                contentsFile(cnt);
            else
                m_report.skipped << QStringLiteral("%1: its contents file %2 is not there, so "
                                                   "no contents were imported.")
                                        .arg(native(path), native(cnt));
        }
    }

    void contentsFile(const QString& path) {
        const CntRead read = ReadContentsText(readText(path), native(path));
        m_report.skipped += read.notTaken;
        m_report.read << QStringLiteral("%1 (%2)").arg(
            native(path), plural(int(read.entries.size()), "contents entry", "contents entries"));
        contents(native(path), read.entries);
    }

    // A compiled HTML Help file: its pages as topics, then its map numbers
    // and its contents.
    void compiledHtmlHelp(const QString& path, QHash<int, QString> namesByNumber) {
        for (const QString& beside : besideFiles(path, {u"h", u"hh", u"hm", u"bas"})) {
            MapRead map;
            ReadMapLines(readText(beside), native(beside), 1, map);
            for (const MapEntry& e : map.entries)
                namesByNumber.insert(e.number, e.name);
        }
        ChmTopics read;
        QString error;
        if (!ReadChmTopics(path, native(path), namesByNumber, read, error)) {
            m_report.problems << error;
            return;
        }
        m_report.skipped += read.notKept;
        m_report.read << QStringLiteral("%1 (%2, %3, %4 leading to pages, %5; topic IDs: %6 "
                                        "from map names, the others from the pages' file names)")
                             .arg(native(path), plural(int(read.topics.size()), "page", "pages"),
                                  plural(int(read.map.size()), "map entry", "map entries"),
                                  plural(read.keywords, "index entry", "index entries"),
                                  plural(int(read.contents.size()), "contents entry",
                                         "contents entries"))
                             .arg(read.namedByMap);
        option(str::option::HLPF, QFileInfo(path).fileName(), QStringLiteral("help file"));
        helpType(false);
        const QString file = native(path);
        for (RtfTopic& t : read.topics)
            topic(file, "page", t);
        mapEntries(read.map);
        if (!read.contentsFile.isEmpty())
            contents(native(path) + QStringLiteral(", ") + read.contentsFile, read.contents);
    }

    // Contents entries below what the tree holds; `path` names their file.
    void contents(const QString& path, const std::vector<CntEntry>& entries) {
        // Each level's parent: the key of the heading above it.
        std::vector<QString> parents{QStringLiteral("Main")};
        int added = 0;
        for (const CntEntry& e : entries) {
            parents.resize(std::min<std::size_t>(parents.size(), std::size_t(e.level)));
            while (parents.size() < std::size_t(e.level))
                parents.push_back(parents.back());
            QString title = e.title;
            if (title.size() > contents::kMaxTitleLength) {
                m_report.skipped << QStringLiteral("%1, line %2: the title \"%3\" is longer "
                                                   "than %4 characters; it was cut.")
                                        .arg(path)
                                        .arg(e.line)
                                        .arg(title)
                                        .arg(contents::kMaxTitleLength);
                title.truncate(contents::kMaxTitleLength);
            }
            const QString problem = textrules::CheckText(
                title, u"The contents title \"" + title + u'"', textrules::Target::AnsiLine);
            if (!problem.isEmpty()) {
                m_report.skipped
                    << QStringLiteral("%1, line %2: %3").arg(path).arg(e.line).arg(problem);
                continue;
            }
            const QString topicId = m_renamed.value(e.topicId.toLower(), e.topicId);
            const QString key = newContentsKey(e.heading ? title : topicId);
            if (!e.heading && !m_topics.contains(topicId.toLower()) &&
                !m_whatsThisTopics.contains(topicId.toLower()))
                m_report.skipped << QStringLiteral("%1, line %2: the entry \"%3\" opens the topic "
                                                   "%4, which the project does not have; it was "
                                                   "imported all the same.")
                                        .arg(path)
                                        .arg(e.line)
                                        .arg(title, e.topicId);
            m_newContents.push_back({key, title, QString::number(e.level), parents.back(),
                                     e.heading ? QStringLiteral("3") : QStringLiteral("2")});
            if (e.heading)
                parents.push_back(key);
            ++added;
        }
        if (added)
            m_report.added << QStringLiteral("%1 from %2.")
                                  .arg(plural(added, "contents entry", "contents entries"), path);
    }

    void topicFile(const QString& path) {
        RtfTopicsRead read;
        if (!ReadRtfTopics(QMTCOdeMod::ReadFileBytes(path), native(path), read)) {
            m_report.problems << QStringLiteral("%1 cannot be imported: it is no RTF file (it "
                                                "does not begin with {\\rtf).")
                                     .arg(native(path));
            return;
        }
        m_report.skipped += read.notKept;
        m_report.read << QStringLiteral("%1 (%2)").arg(
            native(path), plural(int(read.topics.size()), "topic", "topics"));
        const QString file = native(path);
        reserveTopics(read.topics.size());
        for (RtfTopic& t : read.topics)
            topic(file, "line", t);
    }

    // A compiled help file: its topics, then its map numbers; the topics'
    // IDs named by `names` where they can be.
    void helpFile(const QString& path, ContextNames names, const QStringList& namesFrom) {
        QStringList from = namesFrom;
        for (const QString& beside : besideFiles(path, {u"hpj", u"h", u"hh", u"hm"})) {
            contextNames(beside, names);
            from << native(beside);
        }
        HelpFileTopics read;
        QString error;
        const PictureNamer pictures = [&](int number, QByteArrayView stored, QString& problem) {
            return m_pictures.name(path, number, stored, problem);
        };
        if (!ReadHelpFileTopics(QMTCOdeMod::ReadFileBytes(path), native(path), names, read, error,
                                pictures)) {
            m_report.problems << error;
            return;
        }
        m_report.skipped += read.notKept;
        QStringList how;
        if (read.namedBySources)
            how << QStringLiteral("%1 from %2").arg(read.namedBySources).arg(from.join(u", "));
        if (read.namedByFile)
            how << QStringLiteral("%1 from the file's own list").arg(read.namedByFile);
        if (read.namedByTitle)
            how << QStringLiteral("%1 from titles").arg(read.namedByTitle);
        if (read.madeUp)
            how << QStringLiteral("%1 made up (TOPIC_n): no source named them").arg(read.madeUp);
        m_report.read << QStringLiteral("%1 (%2, %3; topic IDs: %4)")
                             .arg(native(path), plural(int(read.topics.size()), "topic", "topics"),
                                  plural(int(read.map.size()), "map entry", "map entries"),
                                  how.isEmpty() ? QStringLiteral("none") : how.join(u"; "));
        option(str::option::HPJT, read.title, QStringLiteral("title"));
        option(str::option::HLPF, QFileInfo(path).fileName(), QStringLiteral("help file"));
        helpType(true);
        const QString file = native(path);
        for (RtfTopic& t : read.topics)
            topic(file, "topic", t);
        mapEntries(read.map);
        // The contents file a viewer opens with it: the one its settings
        // name, else the one named like it, beside it.
        const QFileInfo info(path);
        QStringList cnt;
        if (!read.contentsFile.isEmpty())
            cnt = besideFiles(
                QFileInfo(QString(read.contentsFile).replace(u'\\', u'/')).completeBaseName(),
                info.dir(), {u"cnt"});
        if (cnt.isEmpty())
            cnt = besideFiles(path, {u"cnt"});
        if (!cnt.isEmpty() && !m_sources.contains(sourceKey(cnt.front()))) {
            m_report.skipped << QStringLiteral("%1: its contents file %2, beside it, was "
                                               "imported with it.")
                                    .arg(native(path), native(cnt.front()));
            m_sources.insert(sourceKey(cnt.front()));
            contentsFile(cnt.front());
        }
    }

    // The sources given, so that a contents file found beside a help file
    // or project is not read a second time.
    void given(const QStringList& sources) {
        for (const QString& s : sources)
            m_sources.insert(sourceKey(s));
    }

    void store() {
        renameTargets();
        // The pictures first: a topic is stored only with the pictures it names.
        QStringList texts;
        for (const auto& [key, t] : m_topicTexts)
            texts << t.header << t.text;
        m_pictures.keepNamed(texts);
        m_pictures.write();
        try {
            storeRows();
        } catch (...) {
            m_pictures.removeWritten();
            throw;
        }
        if (!m_pictures.empty())
            m_report.added << QStringLiteral("%1 written into %2.")
                                  .arg(plural(int(m_pictures.count()), "picture", "pictures"),
                                       native(m_pictures.folder()));
    }

private:
    void storeRows() {
        workspace::Transaction transaction(m_db);
        int highest = 0;
        {
            // The topics in ID order.
            std::vector<const std::pair<const QString, Topic>*> order;
            order.reserve(m_newTopics.size());
            for (const auto& entry : m_newTopics)
                order.push_back(&entry);
            std::sort(order.begin(), order.end(),
                      [](const auto* a, const auto* b) { return a->first < b->first; });
            auto rows =
                m_db.OpenRowAppender(LoadResString(str::table::GeneralHelp),
                                     {QStringLiteral("TopicID"), QStringLiteral("TopicTitle"),
                                      QStringLiteral("BrowseSeq"), QStringLiteral("Keywords"),
                                      QStringLiteral("TopicHeader"), QStringLiteral("HelpText"),
                                      QStringLiteral("MapNumber"), QStringLiteral("Status")});
            const RtfTopic none;
            for (const auto* entry : order) {
                const Topic& topic = entry->second;
                const auto texts = m_topicTexts.find(entry->first);
                const RtfTopic& t = texts == m_topicTexts.end() ? none : texts->second;
                rows->AddRow({topic.id, t.title, t.browse, t.keywords, t.header, t.text, topic.map,
                              kActive});
                highest = std::max(highest, topic.map);
            }
        }
        if (!m_mapChanges.empty()) {
            // One pass over the project's topics instead of a query for each.
            auto rs = m_db.OpenRecordset(QStringLiteral("select TopicID, MapNumber from ") +
                                             LoadResString(str::table::GeneralHelp),
                                         dao::dbOpenDynaset);
            for (; !rs->EOF_(); rs->MoveNext()) {
                const auto change = m_mapChanges.find(rs->TextAt(0));
                if (change == m_mapChanges.end())
                    continue;
                rs->Edit();
                rs->SetField(QStringLiteral("MapNumber"), change->second);
                rs->Update();
                highest = std::max(highest, change->second);
            }
        }
        {
            auto rows = m_db.OpenRowAppender(
                LoadResString(str::table::ToolTips),
                {QStringLiteral("Object"), QStringLiteral("HelpText"), QStringLiteral("Status")});
            for (const auto& [object, text] : m_newToolTips)
                rows->AddRow({object, text, kActive});
        }
        {
            auto rows = m_db.OpenRowAppender(
                LoadResString(str::table::WhatsThis),
                {QStringLiteral("Object"), QStringLiteral("TopicID"), QStringLiteral("MapNumber"),
                 QStringLiteral("HelpText"), QStringLiteral("Status"), QStringLiteral("Type")});
            for (const NewWhatsThis& w : m_newWhatsThis) {
                rows->AddRow({w.object, w.topicId, w.map, QString(), kActive, w.type});
                highest = std::max(highest, w.map);
            }
        }
        {
            auto rows = m_db.OpenRowAppender(LoadResString(str::table::ContentsFile),
                                             {QStringLiteral("TopicID"), QStringLiteral("Title"),
                                              QStringLiteral("Level"), QStringLiteral("Parent"),
                                              QStringLiteral("Type"), QStringLiteral("Status")});
            for (const contents::ContentsRow& row : m_newContents)
                rows->AddRow({row.topicId, row.title, row.level, row.parent, row.type, kActive});
        }
        for (const auto& [key, value] : m_newOptions)
            options::UpdateOptions(m_db, key, value);
        if (highest > 0)
            mapnumbers::SaveNextMapNumber(m_db, highest);
        transaction.commit();

        if (!m_topicTexts.empty())
            m_report.added << QStringLiteral("%1 with their texts.")
                                  .arg(plural(int(m_topicTexts.size()), "topic", "topics"));
        if (m_newTopics.size() > m_topicTexts.size())
            m_report.added << QStringLiteral("%1 (with their map numbers, no text yet).")
                                  .arg(plural(int(m_newTopics.size() - m_topicTexts.size()),
                                              "topic", "topics"));
        if (!m_mapChanges.empty())
            m_report.added << QStringLiteral("Map numbers for %1 the project had.")
                                  .arg(plural(int(m_mapChanges.size()), "topic", "topics"));
        if (!m_newToolTips.empty())
            m_report.added << plural(int(m_newToolTips.size()), "tool tip.", "tool tips.");
        if (!m_newWhatsThis.empty())
            m_report.added << plural(int(m_newWhatsThis.size()), "What's This entry.",
                                     "What's This entries.");
        for (const auto& [key, value] : m_newOptions)
            if (m_optionRoles.contains(key))
                m_report.added << m_optionRoles.value(key);
    }

    // The Create tab's help type and box, when the project has none yet.
    void helpType(bool windowsHelp) {
        if (windowsHelp)
            option(str::option::CRGH, QStringLiteral("1"), QStringLiteral("General Help File box"),
                   QStringLiteral("ticked"));
        if (m_options.contains(key(str::option::HTMH)) ||
            m_options.contains(key(str::option::WHLP)))
            return;
        option(str::option::WHLP, windowsHelp ? QStringLiteral("True") : QStringLiteral("False"),
               QStringLiteral("help type"),
               windowsHelp ? QStringLiteral("Windows Help") : QStringLiteral("HTML Help"));
        option(str::option::HTMH, windowsHelp ? QStringLiteral("False") : QStringLiteral("True"),
               QString());
    }

    struct Topic {
        QString id;
        int map = 0;
    };
    struct NewWhatsThis {
        QString object;
        QString topicId;
        int map = 0;
        QString type;
    };

    static QString key(int option) { return LoadResString(option).toUpper(); }

    void load() {
        auto topics = m_db.OpenRecordset(SelectWhere(QStringLiteral("*"),
                                                     LoadResString(str::table::GeneralHelp),
                                                     LoadResString(str::field::Status), kActive),
                                         dao::dbOpenSnapshot);
        for (; !topics->EOF_(); topics->MoveNext()) {
            const QString id = topics->Text(QStringLiteral("TopicID"));
            const int map =
                textrules::StoredMapNumber(topics->Field(QStringLiteral("MapNumber"))).value_or(0);
            m_topics.insert(id.toLower(), {id, map});
            if (map)
                m_numberOwner.insert(map, id);
        }
        auto entries =
            m_db.OpenRecordset(LoadResString(str::sql::ActiveWhatsThis), dao::dbOpenSnapshot);
        for (; !entries->EOF_(); entries->MoveNext()) {
            const QString id = entries->Text(QStringLiteral("TopicID"));
            const int map =
                textrules::StoredMapNumber(entries->Field(QStringLiteral("MapNumber"))).value_or(0);
            m_whatsThisObjects.insert(entries->Text(QStringLiteral("Object")).toLower());
            m_whatsThisTopics.insert(id.toLower(), {id, map});
            if (map && !m_numberOwner.contains(map))
                m_numberOwner.insert(map, id);
        }
        auto tips =
            m_db.OpenRecordset(LoadResString(str::sql::ActiveToolTips), dao::dbOpenSnapshot);
        for (; !tips->EOF_(); tips->MoveNext())
            m_toolTipObjects.insert(tips->Text(QStringLiteral("Object")).toLower());
        for (const options::OptionRow& row : options::ReadOptions(m_db))
            m_options.insert(row.key.toUpper(), row.value);
        for (const contents::ContentsRow& row : contents::ReadContentsRows(m_db))
            m_contentsKeys.insert(row.topicId.toLower());
    }

    // Room for `more` topics, so that reading many grows no table step by step.
    void reserveTopics(size_t more) {
        m_topics.reserve(m_topics.size() + qsizetype(more));
        m_newTopics.reserve(m_newTopics.size() + more);
        m_topicTexts.reserve(m_topicTexts.size() + more);
    }

    // The topic ID the project gives a map number, when any.
    QString ownerOf(int number) const { return number ? m_numberOwner.value(number) : QString(); }

    void mapEntries(const std::vector<MapEntry>& entries) {
        QHash<QString, const MapEntry*> seen;
        seen.reserve(qsizetype(entries.size()));
        for (const MapEntry& e : entries) {
            const auto where = [&e] {
                return QStringLiteral("%1, line %2: ").arg(e.file).arg(e.line);
            };
            const QString lower = e.name.toLower();
            QString problem = textrules::CheckContextString(e.name, u"The topic ID " + e.name);
            if (problem.isEmpty() && (e.number < 0 || e.number > mapnumbers::MaxMapNumber))
                problem = QStringLiteral("The map number %1 of %2 is no whole number from 0 to "
                                         "%3.")
                              .arg(e.number)
                              .arg(e.name)
                              .arg(mapnumbers::MaxMapNumber);
            if (problem.isEmpty() && e.name.size() > records::TopicIdSize)
                problem = QStringLiteral("The topic ID %1 is longer than %2 characters.")
                              .arg(e.name)
                              .arg(records::TopicIdSize);
            if (!problem.isEmpty()) {
                m_report.skipped << where() + problem + QStringLiteral(" It was left out.");
                continue;
            }
            if (const MapEntry* before = seen.value(lower)) {
                if (before->number != e.number)
                    m_report.skipped << where() + QStringLiteral("%1 has the map number %2 "
                                                                 "already (%3, line %4); a topic "
                                                                 "has one map number, so %5 was "
                                                                 "left out.")
                                                      .arg(e.name)
                                                      .arg(before->number)
                                                      .arg(before->file)
                                                      .arg(before->line)
                                                      .arg(e.number);
                continue;
            }
            seen.insert(lower, &e);
            const QString owner = ownerOf(e.number);
            const bool numberTaken = !owner.isEmpty() && owner.toLower() != lower;
            if (numberTaken)
                m_report.skipped << where() + QStringLiteral("the map number %1 of %2 belongs to "
                                                             "%3 already; %2 got no map number.")
                                                  .arg(e.number)
                                                  .arg(e.name, owner);
            const int number = numberTaken ? 0 : e.number;
            auto topic = m_topics.find(lower);
            if (topic == m_topics.end()) {
                m_topics.insert(lower, {e.name, number});
                m_newTopics[lower] = {e.name, number};
            } else if (number != 0 && topic->map == 0) {
                topic->map = number;
                if (m_newTopics.count(lower))
                    m_newTopics[lower].map = number;
                else
                    m_mapChanges[topic->id] = number;
            } else if (number != 0 && topic->map != number) {
                m_report.skipped << where() + QStringLiteral("%1 has the map number %2 in the "
                                                             "project; %3 was left out.")
                                                  .arg(topic->id)
                                                  .arg(topic->map)
                                                  .arg(number);
                continue;
            }
            if (number)
                m_numberOwner.insert(number, m_topics.value(lower).id);
        }
    }

    // A topic of a topic file: added when its ID is new and usable, its
    // fields cut to what the project holds.
    // `unit` and the topic's line place it in `file`: "line" in a topic file,
    // "topic" in a help file, "page" in a compiled HTML Help file.
    void topic(const QString& file, const char* unit, RtfTopic& t) {
        const auto where = [&] {
            return QStringLiteral("%1, %2 %3: ").arg(file, QLatin1String(unit)).arg(t.line);
        };
        if (t.id.isEmpty()) {
            m_report.skipped << where() + (t.title.isEmpty()
                                               ? QStringLiteral("a topic without an ID (# "
                                                                "footnote) was left out.")
                                               : QStringLiteral("the topic \"%1\" has no ID (# "
                                                                "footnote); it was left out.")
                                                     .arg(t.title));
            return;
        }
        // Context strings with blanks, which help compilers take and a project
        // does not, become IDs with "_"; the jumps to them follow in renameTargets().
        if (t.id.contains(u' ')) {
            QString id = t.id;
            id.replace(u' ', u'_');
            const QString lower = id.toLower();
            if (textrules::CheckContextString(id, id).isEmpty() && !m_topics.contains(lower) &&
                !m_whatsThisTopics.contains(lower) && !m_topicTexts.count(lower) &&
                !m_renamed.contains(t.id.toLower())) {
                m_report.skipped << where() + QStringLiteral("the topic ID \"%1\" holds blanks, "
                                                             "which a project's IDs do not; it "
                                                             "was imported as %2, and the jumps "
                                                             "and contents entries to it with it.")
                                                  .arg(t.id, id);
                m_renamed.insert(t.id.toLower(), id);
                t.id = id;
            }
        }
        QString problem = textrules::CheckContextString(t.id, u"The topic ID " + t.id);
        if (problem.isEmpty() && t.id.size() > records::TopicIdSize)
            problem = QStringLiteral("The topic ID %1 is longer than %2 characters.")
                          .arg(t.id)
                          .arg(records::TopicIdSize);
        if (!problem.isEmpty()) {
            m_report.skipped << where() + problem + QStringLiteral(" The topic was left out.");
            return;
        }
        const QString lower = t.id.toLower();
        if (m_topicTexts.count(lower)) {
            m_report.skipped << where() + QStringLiteral("the topic %1 was read already; this one "
                                                         "was left out.")
                                              .arg(t.id);
            return;
        }
        if (m_topics.contains(lower)) {
            m_report.skipped << where() + QStringLiteral("the project has the topic %1 already; it "
                                                         "was left as it is.")
                                              .arg(m_topics.value(lower).id);
            return;
        }
        if (m_whatsThisTopics.contains(lower)) {
            m_report.skipped << where() + QStringLiteral("%1 is the topic of a What's This entry "
                                                         "in the project; it was left as it is.")
                                              .arg(m_whatsThisTopics.value(lower).id);
            return;
        }
        // A header cut would cut its codes (a picture's name, a hotspot):
        // one too long goes whole to the head of the text.
        if (t.header.size() > records::TopicHeaderSize) {
            m_report.skipped << where() + QStringLiteral("the header of %1 is longer than %2 "
                                                         "characters; it was put at the head of "
                                                         "its text, which scrolls.")
                                              .arg(t.id)
                                              .arg(records::TopicHeaderSize);
            t.text = t.text.isEmpty() ? t.header : t.header + QStringLiteral("\r\n") + t.text;
            t.header.clear();
        }
        for (auto [field, size, name] :
             {std::tuple{&t.title, records::TopicTitleSize, "title"},
              std::tuple{&t.browse, records::BrowseSeqSize, "browse sequence"}}) {
            if (field->size() <= size)
                continue;
            m_report.skipped << where() + QStringLiteral("the %1 of %2 is longer than %3 "
                                                         "characters; it was cut.")
                                              .arg(QString::fromLatin1(name), t.id)
                                              .arg(size);
            field->truncate(size);
        }
        m_topics.insert(lower, {t.id, 0});
        m_newTopics[lower] = {t.id, 0};
        m_topicTexts[lower] = std::move(t);
    }

    void toolTip(const ControlHelp& c) {
        const QString lower = c.object.toLower();
        if (m_toolTipObjects.contains(lower)) {
            m_report.skipped << QStringLiteral("%1 has a tool tip in the project already; the "
                                               "form's \"%2\" was left out.")
                                    .arg(c.object, c.toolTip);
            return;
        }
        QString problem = textrules::CheckText(c.toolTip, u"The tool tip of " + c.object,
                                               textrules::Target::AnsiText);
        if (problem.isEmpty() && c.object.size() > records::ObjectSize)
            problem = QStringLiteral("The name %1 is longer than %2 characters.")
                          .arg(c.object)
                          .arg(records::ObjectSize);
        if (!problem.isEmpty()) {
            m_report.skipped << problem + QStringLiteral(" It was left out.");
            return;
        }
        m_toolTipObjects.insert(lower);
        m_newToolTips.emplace_back(c.object, c.toolTip);
    }

    void whatsThis(const ControlHelp& c) {
        const QString lower = c.object.toLower();
        if (m_whatsThisObjects.contains(lower)) {
            m_report.skipped << QStringLiteral("%1 has a What's This entry in the project "
                                               "already; the form's help IDs were left out.")
                                    .arg(c.object);
            return;
        }
        if (c.object.size() > records::ObjectSize) {
            m_report.skipped << QStringLiteral("The name %1 is longer than %2 characters; its "
                                               "help IDs were left out.")
                                    .arg(c.object)
                                    .arg(records::ObjectSize);
            return;
        }
        const int number = c.helpContextId ? c.helpContextId : c.whatsThisHelpId;
        if (c.helpContextId && c.whatsThisHelpId && c.helpContextId != c.whatsThisHelpId)
            m_report.skipped << QStringLiteral("%1 has the HelpContextID %2 and the "
                                               "WhatsThisHelpID %3; an entry has one map number, "
                                               "so it took %2, and Create will write %2 for "
                                               "both.")
                                    .arg(c.object)
                                    .arg(c.helpContextId)
                                    .arg(c.whatsThisHelpId);
        const QString type = c.helpContextId && c.whatsThisHelpId
                                 ? LoadResString(str::helptype::Both)
                             : c.helpContextId ? LoadResString(str::helptype::ContextSensitive)
                                               : LoadResString(str::helptype::WhatsThis);
        QString topic = ownerOf(number);
        if (topic.isEmpty()) {
            topic = newTopicId(c.object);
            m_whatsThisTopics.insert(topic.toLower(), {topic, number});
            m_numberOwner.insert(number, topic);
        }
        m_whatsThisObjects.insert(lower);
        m_newWhatsThis.push_back({c.object, topic, number, type});
    }

    // A topic ID for a control's help: IDH_ and its name, letters, digits and
    // "_" only, not yet used.
    QString newTopicId(const QString& object) {
        QString base = QStringLiteral("IDH_");
        for (const QChar ch : object)
            base += (ch.isLetterOrNumber() && ch.unicode() < 128) ? ch : QChar(u'_');
        base.truncate(records::TopicIdSize - 4);
        QString id = base;
        for (int n = 2; m_topics.contains(id.toLower()) || m_whatsThisTopics.contains(id.toLower());
             ++n)
            id = base + u'_' + QString::number(n);
        return id;
    }

    QString newContentsKey(QString base) {
        const int room = contents::kMaxKeyLength - 6;
        base.truncate(room);
        QString key;
        do {
            key = base + u'.' + QString::number(++m_contentsCounter);
        } while (m_contentsKeys.contains(key.toLower()));
        m_contentsKeys.insert(key.toLower());
        return key;
    }

    // The jumps and pop-ups of the new topics' texts to a topic whose ID
    // was renamed, renamed with it ({\v ID}, {\v %ID>window}, {\v ID@file}).
    void renameTargets() {
        if (m_renamed.isEmpty())
            return;
        QStringList names;
        for (auto it = m_renamed.cbegin(); it != m_renamed.cend(); ++it)
            names << QRegularExpression::escape(it.key());
        const QRegularExpression target(QStringLiteral("(\\{\\\\v [%*]?)(") + names.join(u'|') +
                                            QStringLiteral(")(?=[}>@])"),
                                        QRegularExpression::CaseInsensitiveOption);
        const auto rename = [&](QString& text) {
            if (!text.contains(u"\\v "))
                return;
            QString out;
            qsizetype at = 0;
            for (auto it = target.globalMatch(text); it.hasNext();) {
                const QRegularExpressionMatch m = it.next();
                out += QStringView(text).sliced(at, m.capturedStart(2) - at);
                out += m_renamed.value(m.captured(2).toLower());
                at = m.capturedEnd(2);
            }
            if (at > 0)
                text = out + QStringView(text).sliced(at);
        };
        for (auto& [key, t] : m_topicTexts) {
            rename(t.text);
            rename(t.header);
        }
    }

    // Sets an option the project does not hold yet; `role` and `shown` say
    // it in the report (an empty role: not reported).
    void option(int option, const QString& value, const QString& role,
                const QString& shown = QString()) {
        const QString k = key(option);
        if (value.isEmpty())
            return;
        const QString held = m_options.value(k);
        if (!held.isEmpty()) {
            if (held != value)
                m_report.skipped << QStringLiteral("The Create tab's %1 is \"%2\" already; \"%3\" "
                                                   "was left out.")
                                        .arg(role, held, value);
            return;
        }
        m_options.insert(k, value);
        if (!role.isEmpty())
            m_optionRoles.insert(k, QStringLiteral("The Create tab's %1: %2.")
                                        .arg(role, shown.isEmpty() ? value : shown));
        m_newOptions.emplace_back(k, value);
    }

    dao::Database& m_db;
    ImportReport& m_report;
    PictureFiles m_pictures;
    QHash<QString, Topic> m_topics;          // by lower-case ID
    QHash<QString, Topic> m_whatsThisTopics; // the What's This entries' topic IDs
    QHash<int, QString> m_numberOwner;
    QSet<QString> m_toolTipObjects;
    QSet<QString> m_whatsThisObjects;
    QSet<QString> m_contentsKeys;
    QHash<QString, QString> m_options;
    QHash<QString, QString> m_optionRoles;
    int m_contentsCounter = 0;
    QHash<QString, QString> m_renamed; // IDs with blanks, by lower case: the IDs they became
    QSet<QString> m_sources;           // by sourceKey()

    // By lower-case ID: hashed, for the look-ups of every topic and map
    // entry read; put in ID order when stored.
    std::unordered_map<QString, Topic> m_newTopics;
    std::unordered_map<QString, RtfTopic> m_topicTexts; // the new topics read from topic files
    std::map<QString, int> m_mapChanges;
    std::vector<std::pair<QString, QString>> m_newToolTips;
    std::vector<NewWhatsThis> m_newWhatsThis;
    std::vector<contents::ContentsRow> m_newContents;
    std::vector<std::pair<QString, QString>> m_newOptions;
};

} // namespace

QString ImportKind(const QString& sourcePath) {
    const QString ext = QFileInfo(sourcePath).suffix().toLower();
    if (ext == u"vbp")
        return QStringLiteral("Visual Basic project");
    if (ext == u"h" || ext == u"hh" || ext == u"hm" || ext == u"bas")
        return QStringLiteral("map header");
    if (ext == u"hpj")
        return QStringLiteral("help project");
    if (ext == u"cnt")
        return QStringLiteral("contents file");
    if (ext == u"rtf")
        return QStringLiteral("topic file");
    if (ext == u"hlp")
        return QStringLiteral("help file");
    if (ext == u"chm")
        return QStringLiteral("compiled HTML Help file");
    return {};
}

ImportReport ImportSources(dao::Database& db, const QStringList& sources) {
    ImportReport report;
    try {
        // Map headers and help projects imported along with a help file name
        // its context strings.
        ContextNames names;
        QStringList namesFrom;
        QHash<int, QString> namesByNumber; // from the map headers imported with a .chm
        for (const QString& source : sources)
            if (ImportKind(source) == u"map header" && QFileInfo(source).isFile()) {
                MapRead map;
                ReadMapLines(readText(source), native(source), 1, map);
                for (const MapEntry& e : map.entries)
                    namesByNumber.insert(e.number, e.name);
            }
        const bool helpFiles = std::any_of(sources.begin(), sources.end(), [](const QString& s) {
            return QFileInfo(s).suffix().compare(u"hlp", Qt::CaseInsensitive) == 0;
        });
        for (const QString& source : helpFiles ? sources : QStringList()) {
            const QString kind = ImportKind(source);
            if ((kind == u"map header" || kind == u"help project") && QFileInfo(source).isFile()) {
                contextNames(source, names);
                namesFrom << native(source);
            }
        }
        Importer importer(db, report);
        importer.given(sources);
        for (const QString& source : sources) {
            const QString ext = QFileInfo(source).suffix().toLower();
            if (!QFileInfo(source).isFile()) {
                report.problems << QStringLiteral("%1 cannot be imported: %2")
                                       .arg(native(source),
                                            QFileInfo(source).isDir()
                                                ? QStringLiteral("it is a folder.")
                                                : QStringLiteral("the file does not exist."));
            } else if (ImportKind(source).isEmpty()) {
                report.problems << QStringLiteral("%1 cannot be imported: Quillmate imports "
                                                  ".vbp, .hpj, .cnt, .rtf, .hlp, .chm, .h, .hh, "
                                                  ".hm and .bas files.")
                                       .arg(native(source));
            } else if (ext == u"vbp") {
                importer.vbProject(source);
            } else if (ext == u"hpj") {
                importer.helpProject(source);
            } else if (ext == u"cnt") {
                importer.contentsFile(source);
            } else if (ext == u"rtf") {
                importer.topicFile(source);
            } else if (ext == u"chm") {
                importer.compiledHtmlHelp(source, namesByNumber);
            } else if (ext == u"hlp") {
                importer.helpFile(source, names, namesFrom);
            } else {
                importer.mapFile(source);
            }
        }
        if (report.ok())
            importer.store();
    } catch (const QMTCOdeMod::FileError& e) {
        report.problems << e.text();
    } catch (const dao::EngineError& e) {
        report.problems << QStringLiteral("The project could not be changed: %1").arg(e.text());
    } catch (const fileio::FileWriteError& e) {
        report.problems << QStringLiteral("The pictures of the help file were not written: %1")
                               .arg(e.message());
    }
    if (!report.ok())
        report.added.clear(); // nothing was stored
    return report;
}

QString DescribeImport(const ImportReport& report) {
    QStringList lines;
    if (!report.read.isEmpty()) {
        lines << QStringLiteral("Read:");
        for (const QString& r : report.read)
            lines << u"  " + r;
    }
    if (!report.ok()) {
        lines << QStringLiteral("Nothing was imported:") << report.problems;
    } else if (report.added.isEmpty()) {
        lines << QStringLiteral("Nothing new was found to import.");
    } else {
        lines << QStringLiteral("Imported:");
        for (const QString& a : report.added)
            lines << u"  " + a;
    }
    if (!report.skipped.isEmpty()) {
        lines << QStringLiteral("Left out (%1):").arg(report.skipped.size());
        for (const QString& s : report.skipped)
            lines << u"  " + s;
    }
    return lines.join(u'\n');
}

} // namespace import
