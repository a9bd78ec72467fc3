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

} // namespace hc
