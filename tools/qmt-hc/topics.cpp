#include "topics.h"

#include <algorithm>
#include <limits>
#include <new>

namespace hc {

namespace {
// Where a StringAt can point.
constexpr qsizetype kMaxStrings = std::numeric_limits<std::uint32_t>::max();
} // namespace

std::uint16_t FontTable::font(const QByteArray& face, FontDescriptor d) {
    qsizetype f = m_faces.indexOf(face);
    if (f < 0) {
        if (m_faces.size() >= kMaxFaces) {
            m_full = true;
            return 0;
        }
        f = m_faces.size();
        m_faces << face;
    }
    d.face = std::uint16_t(f);
    const auto it = m_index.find(d);
    if (it != m_index.end())
        return it->second;
    if (m_descriptors.size() >= std::size_t(kMaxDescriptors)) {
        m_full = true;
        return 0;
    }
    const auto number = std::uint16_t(m_descriptors.size());
    m_descriptors.push_back(d);
    m_index.emplace(d, number);
    return number;
}

void Topics::add(const Topic& topic) {
    StoredTopic t;
    if (files.empty() || files.back() != topic.file)
        files.push_back(topic.file);
    t.file = int(files.size()) - 1;
    t.line = topic.line;
    t.firstParagraph = topic.firstParagraph;
    t.paragraphCount = topic.paragraphCount;
    t.nonScrollParagraphs = topic.nonScrollParagraphs;
    const auto string = [&](QByteArrayView s) {
        if (strings.size() + s.size() > kMaxStrings)
            throw std::bad_alloc();
        const StringAt at{std::uint32_t(strings.size()), int(s.size())};
        strings.bytes(s);
        return at;
    };
    t.title = string(topic.text(topic.title));
    t.browse = string(topic.text(topic.browse));
    const auto footnotesOf = [&](const std::vector<FootnoteAt>& from) {
        const Range r{int(footnotes.size()), int(from.size())};
        for (const FootnoteAt& f : from)
            footnotes.push_back({string(topic.text(f.text)), f.paragraph, f.line});
        return r;
    };
    t.contexts = footnotesOf(topic.contexts);
    t.keywords = footnotesOf(topic.keywords);
    t.macros = {int(macros.size()), int(topic.macros.size())};
    for (const StringAt m : topic.macros)
        macros.push_back(string(topic.text(m)));
    t.hotspots = {int(hotspots.size()), int(topic.hotspots.size())};
    for (const Hotspot& h : topic.hotspots)
        hotspots.push_back({string(h.jumpTarget), h.line, h.code});
    list.push_back(t);
}

void Topics::append(Topics&& batch) {
    if (strings.size() + batch.strings.size() > kMaxStrings)
        throw std::bad_alloc();
    const auto stringsBase = std::uint32_t(strings.size());
    const int paragraphBase = int(paragraphs.size()), footnoteBase = int(footnotes.size()),
              macroBase = int(macros.size()), hotspotBase = int(hotspots.size());
    // The records stay where they are, a chunk of their own.
    if (!batch.paragraphs.empty()) {
        chunkFirst.push_back(paragraphBase);
        chunks.push_back(batch.bytes.take());
    }
    strings.bytes(batch.strings.view());
    paragraphs.insert(paragraphs.end(), batch.paragraphs.begin(), batch.paragraphs.end());
    for (StoredFootnote f : batch.footnotes) {
        f.text.at += stringsBase;
        footnotes.push_back(f);
    }
    for (StringAt m : batch.macros) {
        m.at += stringsBase;
        macros.push_back(m);
    }
    for (StoredHotspot h : batch.hotspots) {
        h.jumpTarget.at += stringsBase;
        hotspots.push_back(h);
    }
    for (StoredTopic t : batch.list) {
        const QString& file = batch.files[std::size_t(t.file)];
        if (files.empty() || files.back() != file)
            files.push_back(file);
        t.file = int(files.size()) - 1;
        t.firstParagraph += paragraphBase;
        t.title.at += stringsBase;
        t.browse.at += stringsBase;
        t.contexts.first += footnoteBase;
        t.keywords.first += footnoteBase;
        t.macros.first += macroBase;
        t.hotspots.first += hotspotBase;
        list.push_back(t);
    }
    for (QByteArray& picture : batch.pictures)
        pictures.push_back(std::move(picture));
}

int Topics::chunkOf(int p) const {
    if (chunkFirst.empty())
        return -1;
    return int(std::upper_bound(chunkFirst.begin(), chunkFirst.end(), p) - chunkFirst.begin()) - 1;
}

QByteArrayView Topics::record(int p) const {
    int chunk = -1;
    return record(p, chunk);
}

QByteArrayView Topics::record(int p, int& hint) const {
    if (hint < 0 || std::size_t(hint) >= chunkFirst.size() || p < chunkFirst[std::size_t(hint)] ||
        p >= chunkEnd(hint))
        hint = chunkOf(p);
    const Paragraph& r = paragraphs[std::size_t(p)];
    const QByteArrayView in = hint < 0 ? bytes.view() : QByteArrayView(chunks[std::size_t(hint)]);
    return in.sliced(r.at, r.formatSize + r.textSize);
}

Topics Topics::takeAll() {
    Topics out;
    out.list = std::exchange(list, {});
    out.paragraphs = std::exchange(paragraphs, {});
    out.bytes = std::exchange(bytes, {});
    out.chunks = std::exchange(chunks, {});
    out.chunkFirst = std::exchange(chunkFirst, {});
    out.pictures = std::exchange(pictures, {});
    out.files = std::exchange(files, {});
    out.strings = std::exchange(strings, {});
    out.footnotes = std::exchange(footnotes, {});
    out.macros = std::exchange(macros, {});
    out.hotspots = std::exchange(hotspots, {});
    return out;
}

void Topics::reuse(Topics&& spent, QByteArray&& records) {
    const auto take = [](auto& mine, auto& theirs) {
        mine.swap(theirs);
        mine.clear();
    };
    take(list, spent.list);
    take(paragraphs, spent.paragraphs);
    take(files, spent.files);
    take(footnotes, spent.footnotes);
    take(macros, spent.macros);
    take(hotspots, spent.hotspots);
    std::swap(strings, spent.strings);
    strings.clear();
    bytes.reuse(std::move(records));
}

} // namespace hc
