#include "topics.h"

namespace hc {

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
        const StringAt at{strings.size(), int(s.size())};
        strings.bytes(s);
        return at;
    };
    t.title = string(topic.title);
    t.browse = string(topic.browse);
    const auto footnotesOf = [&](const std::vector<FootnoteAt>& from) {
        const Range r{int(footnotes.size()), int(from.size())};
        for (const FootnoteAt& f : from)
            footnotes.push_back({string(f.text), f.paragraph, f.line});
        return r;
    };
    t.contexts = footnotesOf(topic.contexts);
    t.keywords = footnotesOf(topic.keywords);
    t.macros = {int(macros.size()), int(topic.macros.size())};
    for (const QByteArray& m : topic.macros)
        macros.push_back(string(m));
    t.hotspots = {int(hotspots.size()), int(topic.hotspots.size())};
    for (const Hotspot& h : topic.hotspots)
        hotspots.push_back({string(h.jumpTarget), h.line, h.code});
    list.push_back(t);
}

} // namespace hc
