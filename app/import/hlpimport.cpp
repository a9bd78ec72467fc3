#include "hlpimport.h"

#include "bytes.h"
#include "codepage/ansi.h"
#include "codepage/codepages.h"
#include "contexthash.h"
#include "hlpreader.h"
#include "import/codewriter.h"
#include "topics.h"

#include <QSet>
#include <algorithm>
#include <map>

namespace import {

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFF;

QString hex(std::uint32_t hash) {
    return QStringLiteral("0x%1").arg(hash, 8, 16, QChar(u'0'));
}

class Reader {
public:
    Reader(const hc::HelpFileRead& h, const QString& file, const ContextNames& names,
           HelpFileTopics& out, const PictureNamer& pictures)
        : m_h(h), m_file(file), m_names(names), m_out(out), m_pictures(pictures) {}

    void read() {
        // The text is in the code page of the file's language.
        m_codePage = m_h.hasLcid ? codepage::ForLanguage(m_h.lcid) : 1252;
        if (!codepage::Known(m_codePage)) {
            m_out.notKept << QStringLiteral("%1: its language's code page %2 is not one "
                                            "Quillmate reads; its text was read as "
                                            "Windows-1252.")
                                 .arg(m_file)
                                 .arg(m_codePage);
            m_codePage = 1252;
        }
        m_out.title = decode(m_h.title);
        m_out.contentsFile = decode(m_h.contentsFile);
        const std::size_t n = m_h.topics.size();
        m_offsets.reserve(n);
        for (const hc::TopicRead& t : m_h.topics)
            m_offsets.push_back(t.offset);
        nameTopics();
        m_out.topics.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            RtfTopic& t = m_out.topics[i];
            t.id = m_ids[i];
            t.title = decode(m_h.topics[i].title);
            t.line = int(i) + 1;
            writeText(m_h.topics[i], t);
        }
        keywords();
        browseSequences();
        for (const auto& [number, offset] : m_h.map) {
            const int i = topicAt(offset);
            if (i >= 0)
                m_out.map.push_back({m_ids[std::size_t(i)], number, m_file, i + 1});
        }
    }

private:
    // The topic a TOPICOFFSET falls in, -1 before the first.
    int topicAt(std::uint32_t offset) const {
        const auto it = std::upper_bound(m_offsets.begin(), m_offsets.end(), offset);
        return int(it - m_offsets.begin()) - 1;
    }
    int topicStartingAt(std::uint32_t offset) const {
        const int i = topicAt(offset);
        return i >= 0 && m_offsets[std::size_t(i)] == offset ? i : -1;
    }

    QString where(std::size_t topic) const {
        return QStringLiteral("%1, topic %2 (%3): ").arg(m_file).arg(topic + 1).arg(m_ids[topic]);
    }

    // Each topic's ID: of its context strings the first with a name from the
    // sources, else from the file, else from its title; else one made up.
    void nameTopics() {
        const std::size_t n = m_h.topics.size();
        ContextNames fromFile;
        for (const auto& [offset, name] : m_h.topicIds)
            fromFile.insert(hc::ContextHash(name), ansi::toUnicode(name));
        std::vector<std::vector<std::uint32_t>> hashes(n);
        for (const auto& [hash, offset] : m_h.contexts) {
            const int i = topicAt(offset);
            if (i >= 0)
                hashes[std::size_t(i)].push_back(std::uint32_t(hash));
        }
        m_ids.assign(n, QString());
        QSet<QString> taken;
        std::vector<QStringList> further(n);
        for (std::size_t i = 0; i < n; ++i) {
            int how = 3;
            std::uint32_t chosen = 0;
            for (std::uint32_t hash : hashes[i]) {
                QString name;
                int kind = 3;
                if (m_names.contains(hash)) {
                    name = m_names.value(hash);
                    kind = 0;
                } else if (fromFile.contains(hash)) {
                    name = fromFile.value(hash);
                    kind = 1;
                } else if (const QString t = fromTitle(m_h.topics[i].title, hash); !t.isEmpty()) {
                    name = t;
                    kind = 2;
                }
                m_hashNames.insert(hash, name);
                if (kind < how && !taken.contains(name.toLower())) {
                    how = kind;
                    chosen = hash;
                    m_ids[i] = name;
                }
            }
            // A made-up ID stands for the first hash.
            if (how == 3 && !hashes[i].empty())
                chosen = hashes[i].front();
            for (std::uint32_t hash : hashes[i])
                if (hash != chosen)
                    further[i] << (m_hashNames.value(hash).isEmpty() ? hex(hash)
                                                                     : m_hashNames.value(hash));
            if (how < 3)
                taken.insert(m_ids[i].toLower());
            (how == 0   ? m_out.namedBySources
             : how == 1 ? m_out.namedByFile
             : how == 2 ? m_out.namedByTitle
                        : m_out.madeUp)++;
        }
        // Made-up IDs last, so that none takes a name a later topic has.
        for (std::size_t i = 0, made = 0; i < n; ++i) {
            if (!m_ids[i].isEmpty())
                continue;
            QString id;
            do
                id = QStringLiteral("TOPIC_%1").arg(++made);
            while (taken.contains(id.toLower()));
            taken.insert(id.toLower());
            m_ids[i] = id;
        }
        for (std::size_t i = 0; i < n; ++i) {
            for (std::uint32_t hash : hashes[i])
                m_topicOfHash.insert(hash, int(i));
            if (!further[i].isEmpty())
                m_out.notKept << where(i) + QStringLiteral("its further context strings %1 were "
                                                           "left out: a topic has one ID.")
                                                .arg(further[i].join(QStringLiteral(", ")));
        }
    }

    // A name made of the title that hashes to `hash`, or nothing.
    static QString fromTitle(const QByteArray& title, std::uint32_t hash) {
        if (title.isEmpty())
            return {};
        QByteArray joined = title.trimmed(), squeezed;
        for (char& c : joined)
            if (!hc::IsPortableContextString(QByteArrayView(&c, 1)))
                c = '_';
        for (char c : title)
            if (hc::IsPortableContextString(QByteArrayView(&c, 1)))
                squeezed += c;
        const QByteArray candidates[] = {joined, squeezed, QByteArray("IDH_") + joined,
                                         QByteArray("IDH_") + squeezed};
        for (const QByteArray& candidate : candidates)
            if (!candidate.isEmpty() && hc::ContextHash(candidate) == hash)
                return QString::fromLatin1(candidate);
        return {};
    }

    // The name a hotspot's hash stands for: the ID of the topic that holds
    // it, else a name from the sources, else the hash itself.
    QString target(std::uint32_t hash) const {
        if (const auto t = m_topicOfHash.find(hash); t != m_topicOfHash.end())
            return m_ids[std::size_t(*t)];
        if (const QString n = m_names.value(hash); !n.isEmpty())
            return n;
        return QStringLiteral("H_%1").arg(hash, 8, 16, QChar(u'0')).toUpper();
    }

    void writeText(const hc::TopicRead& topic, RtfTopic& out) {
        CodeWriter w;
        const QByteArray& text = topic.text;
        qsizetype at = 0;
        int pictures = 0; // left out
        std::size_t ownFiles = 0;
        QStringList lost;
        bool table = false;
        const auto textTo = [&](qsizetype end) {
            if (end > at)
                w.text(EscapedText(decode(QByteArrayView(text).sliced(at, end - at))));
            at = std::max(at, end);
        };
        for (const hc::TextMark& m : topic.marks) {
            textTo(qsizetype(m.at));
            switch (m.kind) {
            case hc::TextMark::Record:
                if (w.open())
                    w.endParagraph();
                w.inHeader = m.value & 1;
                table = table || (m.value & 2);
                break;
            case hc::TextMark::Cell:
                break;
            case hc::TextMark::Font:
                if (m.value < m_h.fonts.size()) {
                    const std::uint8_t a = m_h.fonts[m.value].attributes;
                    w.format(a & hc::kBold, a & hc::kItalic,
                             a & (hc::kUnderline | hc::kDoubleUnderline));
                }
                break;
            case hc::TextMark::LineBreak:
                w.text(QStringLiteral("\\line "));
                ++at;
                break;
            case hc::TextMark::Tab:
                w.text(QStringLiteral("\\tab "));
                ++at;
                break;
            case hc::TextMark::ParagraphEnd:
                w.endParagraph();
                ++at;
                break;
            case hc::TextMark::Picture: {
                QString problem = QStringLiteral("a picture stored in the text is not read");
                QString name;
                if ((m.value & 4) && ownFiles < topic.pictures.size())
                    name = pictureName(topic.pictures[ownFiles++].second, problem);
                if (name.isEmpty()) {
                    if (!lost.contains(problem))
                        lost << problem;
                    ++pictures;
                    break;
                }
                const QString kind = (m.value & 3) == 1   ? QStringLiteral("bml")
                                     : (m.value & 3) == 2 ? QStringLiteral("bmr")
                                                          : QStringLiteral("bmc");
                w.text(u"\\{" + kind + u' ' + EscapedText(name) + u"\\}");
                break;
            }
            case hc::TextMark::HotspotBegin:
                if (m.value < topic.hotspots.size())
                    hotspot(w, topic.hotspots[m.value]);
                break;
            case hc::TextMark::HotspotEnd:
                w.endHotspot();
                break;
            }
        }
        textTo(text.size());
        if (w.open())
            w.endParagraph();
        QStringList& body = w.body;
        while (!body.isEmpty() && body.back().isEmpty())
            body.removeLast();
        // Create opens a topic's text with its title in bold and an empty line.
        if (body.size() >= 2 && body[1].isEmpty() && !out.title.isEmpty() &&
            body[0] == u"{\\b " + EscapedText(out.title) + u'}')
            body.remove(0, 2);
        out.text = body.join(QStringLiteral("\r\n"));
        while (!w.header.isEmpty() && w.header.back().isEmpty())
            w.header.removeLast();
        out.header = w.header.join(QStringLiteral("\\line "));
        const std::size_t i = std::size_t(out.line - 1);
        if (pictures)
            m_out.notKept << where(i) + QStringLiteral("%1 left out: %2.")
                                            .arg(pictures == 1 ? QStringLiteral("its picture was")
                                                               : QStringLiteral("its %1 pictures "
                                                                                "were")
                                                                     .arg(pictures),
                                                 lost.join(QStringLiteral("; ")));
        if (table)
            m_out.notKept << where(i) + QStringLiteral("its table cells became paragraphs.");
        if (!topic.macros.empty())
            m_out.notKept << where(i) + QStringLiteral("its macros were left out: a project "
                                                       "keeps no topic macros.");
    }

    // The name of the picture in the |bm file `number`, empty when it is
    // left out (`problem` says why).
    QString pictureName(int number, QString& problem) const {
        const auto stored = m_h.bitmaps.find(number);
        if (stored == m_h.bitmaps.end()) {
            problem =
                QStringLiteral("the picture file |bm%1 is missing from the help file").arg(number);
            return {};
        }
        if (!m_pictures) {
            problem = QStringLiteral("pictures are not taken out of a help file here");
            return {};
        }
        return m_pictures(number, stored->second, problem);
    }

    void hotspot(CodeWriter& w, const hc::HotspotRead& h) {
        const std::uint8_t c = h.code;
        const bool plain = c & 0x04;
        QString target;
        bool popup = false;
        if (c == 0xC8 || c == 0xCC) {
            target = decode(h.target);
            if (!target.startsWith(u'!'))
                target.prepend(u'!');
        } else {
            popup = !(c & 0x01);
            target = this->target(h.hash);
            if (c >= 0xEA && !h.target.isEmpty())
                target += u'@' + decode(h.target);
        }
        if (plain)
            target.prepend(u'%');
        w.beginHotspot(popup, target);
    }

    void keywords() {
        std::vector<QStringList> words(m_out.topics.size());
        for (const hc::KeywordRead& k : m_h.keywords) {
            const QString word = decode(k.text);
            for (std::uint32_t offset : k.offsets) {
                const int i = topicAt(offset);
                if (i >= 0 && !words[std::size_t(i)].contains(word))
                    words[std::size_t(i)] << word;
            }
        }
        for (std::size_t i = 0; i < words.size(); ++i)
            m_out.topics[i].keywords = words[i].join(u';');
    }

    // The chains of browse links become sequences "browseN:0001" in their
    // order; the file keeps the order, not the names the author gave.
    void browseSequences() {
        int chains = 0;
        for (std::size_t i = 0; i < m_h.topics.size(); ++i) {
            const hc::TopicRead& t = m_h.topics[i];
            if (t.browseNext == kNone ||
                (t.browseBack != kNone && topicStartingAt(t.browseBack) >= 0))
                continue;
            const QString group = QStringLiteral("browse%1:").arg(++chains);
            int step = 0;
            for (int at = int(i); at >= 0 && step < int(m_h.topics.size());
                 at = m_h.topics[std::size_t(at)].browseNext == kNone
                          ? -1
                          : topicStartingAt(m_h.topics[std::size_t(at)].browseNext))
                m_out.topics[std::size_t(at)].browse =
                    group + QStringLiteral("%1").arg(++step, 4, 10, QChar(u'0'));
        }
    }

    QString decode(QByteArrayView bytes) const { return codepage::ToUnicode(m_codePage, bytes); }

    const hc::HelpFileRead& m_h;
    int m_codePage = 1252;
    QString m_file;
    const ContextNames& m_names;
    HelpFileTopics& m_out;
    const PictureNamer& m_pictures;
    std::vector<std::uint32_t> m_offsets;
    std::vector<QString> m_ids;
    QHash<std::uint32_t, QString> m_hashNames;
    QHash<std::uint32_t, int> m_topicOfHash;
};

} // namespace

void AddContextName(ContextNames& names, const QString& name) {
    const QByteArray bytes = ansi::fromUnicode(name);
    if (!name.isEmpty())
        names.insert(hc::ContextHash(bytes), name);
}

void HelpFileTopicsOf(const hc::HelpFileRead& help, const QString& file, const ContextNames& names,
                      HelpFileTopics& out, const PictureNamer& pictures) {
    Reader(help, file, names, out, pictures).read();
}

bool ReadHelpFileTopics(QByteArrayView bytes, const QString& file, const ContextNames& names,
                        HelpFileTopics& out, QString& error, const PictureNamer& pictures) {
    try {
        HelpFileTopicsOf(hc::ReadHelpFile(bytes), file, names, out, pictures);
        return true;
    } catch (const std::exception& e) {
        error = QStringLiteral("%1 cannot be imported: it is no help file that can be read (%2).")
                    .arg(file, QString::fromUtf8(e.what()));
        out = {};
        return false;
    }
}

} // namespace import
