#include "lz77.h"

#include "bytes.h"

#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <vector>

namespace hc {

namespace {
constexpr int kWindow = 4096;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 18;
constexpr int kHashBits = 13;

int hash3(const unsigned char* p) {
    return ((p[0] << 10) ^ (p[1] << 5) ^ p[2]) & ((1 << kHashBits) - 1);
}
} // namespace

QByteArray Lz77Decompress(QByteArrayView src, qsizetype maxOut) {
    QByteArray out;
    out.reserve(src.size() * 2);
    qsizetype i = 0;
    const auto full = [&] { return maxOut >= 0 && out.size() >= maxOut; };
    while (i < src.size() && !full()) {
        const unsigned flags = std::uint8_t(src[i++]);
        for (int bit = 0; bit < 8 && i < src.size() && !full(); ++bit) {
            if (flags & (1u << bit)) {
                if (i + 1 >= src.size())
                    return out; // a lone byte at the end is padding
                const unsigned code = getU16(src, i);
                i += 2;
                const qsizetype distance = (code & 0x0FFF) + 1;
                int length = int(code >> 12) + kMinMatch;
                if (distance > out.size())
                    throw FormatError("packed data refers to bytes before its start");
                while (length-- > 0 && !full())
                    out.append(out.at(out.size() - distance));
            } else {
                out.append(src[i++]);
            }
        }
    }
    return out;
}

namespace {

// Match search state kept from one call to the next, so that packing a block
// does not first clear tables larger than the block. Positions are stored
// plus a base that grows with every call: an entry below the current base was
// left by an earlier call and counts as empty.
struct Chains {
    std::vector<std::int32_t> head = std::vector<std::int32_t>(1 << kHashBits, -1);
    std::vector<std::int32_t> prev;
    std::int32_t base = 0;
};

// The number of equal bytes at a and b, at most `limit`.
int matchLength(const unsigned char* a, const unsigned char* b, int limit) {
    int length = 0;
    while (length + 8 <= limit) {
        std::uint64_t x, y;
        std::memcpy(&x, a + length, 8);
        std::memcpy(&y, b + length, 8);
        if (x != y)
            return length + std::countr_zero(x ^ y) / 8; // little-endian
        length += 8;
    }
    while (length < limit && a[length] == b[length])
        ++length;
    return length;
}

} // namespace

QByteArray Lz77Compress(QByteArrayView src, qsizetype maxOut, qsizetype* consumed, int effort) {
    const auto* data = reinterpret_cast<const unsigned char*>(src.data());
    const qsizetype n = src.size();
    if (n > std::numeric_limits<std::int32_t>::max() / 4)
        throw FormatError("too much data to pack at once");
    thread_local Chains chains;
    if (chains.base > std::numeric_limits<std::int32_t>::max() / 2) {
        std::fill(chains.head.begin(), chains.head.end(), -1);
        chains.base = 0;
    }
    const std::int32_t base = chains.base;
    chains.base += std::int32_t(n) + 1;
    std::int32_t* head = chains.head.data();
    if (qsizetype(chains.prev.size()) < n)
        chains.prev.resize(std::size_t(n));
    std::int32_t* prev = chains.prev.data();
    // At most one flag byte per eight literals more than the input.
    QByteArray out(n + n / 8 + 2, Qt::Uninitialized);
    char* o = out.data();
    qsizetype size = 0;
    qsizetype flagAt = -1;
    int items = 8;
    qsizetype pos = 0;

    // Every position that has kMinMatch bytes goes into the chains; its hash
    // is rolled on from the one before.
    const qsizetype last = n - kMinMatch;
    constexpr unsigned kMask = (1u << kHashBits) - 1;
    unsigned h = n >= kMinMatch ? unsigned(hash3(data)) : 0; // the hash at pos
    // Puts the positions from pos up to `end` (at most last + 1) into the chains.
    const auto insert = [&](qsizetype end) {
        unsigned hash = h;
        qsizetype p = pos;
        const qsizetype rolled = std::min(end, last);
        for (; p < rolled; ++p) {
            prev[p] = head[hash];
            head[hash] = base + std::int32_t(p);
            hash = ((hash << 5) ^ data[p + kMinMatch]) & kMask;
        }
        if (p < end) { // the last position with a hash
            prev[p] = head[hash];
            head[hash] = base + std::int32_t(p);
        }
        h = hash;
    };

    while (pos < n) {
        int bestLength = 0;
        qsizetype bestDistance = 0;
        if (pos <= last) {
            const int limit = int(std::min<qsizetype>(kMaxMatch, n - pos));
            qsizetype candidate = qsizetype(head[h]) - base;
            for (int chain = 0; candidate >= 0 && chain < effort; ++chain) {
                const qsizetype distance = pos - candidate;
                if (distance > kWindow)
                    break;
                // Only a match longer than the best so far counts: one that
                // differs at the best's length cannot be.
                if (data[candidate + bestLength] == data[pos + bestLength]) {
                    const int length = matchLength(data + candidate, data + pos, limit);
                    if (length > bestLength) {
                        bestLength = length;
                        bestDistance = distance;
                        if (length == limit)
                            break;
                    }
                }
                candidate = qsizetype(prev[candidate]) - base;
            }
        }
        bool pair = bestLength >= kMinMatch;
        const qsizetype flag = items == 8 ? 1 : 0;
        if (maxOut >= 0 && size + flag + (pair ? 2 : 1) > maxOut) {
            // Near the end of the room a literal may still fit where a pair does not.
            if (!pair || size + flag + 1 > maxOut)
                break;
            pair = false;
        }
        if (items == 8) {
            flagAt = size;
            o[size++] = 0;
            items = 0;
        }
        if (pair) {
            o[flagAt] = char(std::uint8_t(o[flagAt]) | (1u << items));
            const unsigned code =
                unsigned(bestDistance - 1) | (unsigned(bestLength - kMinMatch) << 12);
            o[size++] = char(code & 0xFF);
            o[size++] = char(code >> 8);
            insert(std::min(pos + bestLength, last + 1));
            pos += bestLength;
        } else {
            o[size++] = char(data[pos]);
            insert(std::min(pos + 1, last + 1));
            ++pos;
        }
        ++items;
    }
    out.truncate(size);
    if (consumed)
        *consumed = pos;
    return out;
}

Lz77BlockPacker::Lz77BlockPacker(qsizetype maxInput, qsizetype maxPacked, int effort)
    : m_maxInput(maxInput), m_maxPacked(maxPacked), m_effort(effort), m_in(std::size_t(maxInput)),
      m_open(std::size_t(maxInput / 8 + 8), 0), m_head(std::size_t(1) << kHashBits, -1),
      m_prev(std::size_t(maxInput)), m_out(std::size_t(maxPacked)) {}

void Lz77BlockPacker::clear() {
    m_base += std::int32_t(m_maxInput) + 1;
    if (m_base > std::numeric_limits<std::int32_t>::max() / 2) {
        std::fill(m_head.begin(), m_head.end(), -1);
        m_base = 0;
    }
    clearOpen(0, m_inSize);
    m_openAt.clear();
    m_pieces.clear();
    m_inSize = m_outSize = m_inserted = 0;
    m_flagAt = -1;
    m_items = 8;
}

void Lz77BlockPacker::clearOpen(qsizetype from, qsizetype to) {
    for (qsizetype p = from; p < to && p % 8; ++p)
        m_open[std::size_t(p / 8)] &= std::uint8_t(~(1u << (p % 8)));
    const qsizetype whole = (from + 7) / 8;
    if (whole * 8 < to)
        std::memset(m_open.data() + whole, 0, std::size_t((to - whole * 8 + 7) / 8));
}

namespace {
// How far from `p` the first open byte lies, counting no further than the
// longest match: a match may not reach it.
int openDistance(const std::uint8_t* open, qsizetype p) {
    std::uint32_t bits;
    std::memcpy(&bits, open + p / 8, 4);
    bits = qFromLittleEndian(bits) >> (p % 8); // at least 25 bytes' bits
    return std::countr_zero(bits | (1u << kMaxMatch));
}
} // namespace

bool Lz77BlockPacker::append(QByteArrayView piece, std::span<const int> fields) {
    const qsizetype start = m_inSize;
    const qsizetype n = start + piece.size();
    if (n > m_maxInput)
        return false;
    unsigned char* data = m_in.data();
    std::uint8_t* open = m_open.data();
    if (!piece.isEmpty())
        std::memcpy(data + start, piece.data(), std::size_t(piece.size()));
    for (const int f : fields)
        for (qsizetype p = start + f; p < start + f + 4; ++p)
            open[p / 8] |= std::uint8_t(1u << (p % 8));

    m_pieces.push_back({start, m_outSize, m_flagAt, m_inserted, m_items,
                        m_flagAt >= 0 ? m_out[std::size_t(m_flagAt)] : char(0), m_openAt.size()});
    // The state in locals: stores into the packed bytes could alias members.
    char* o = m_out.data();
    std::int32_t* head = m_head.data();
    std::int32_t* prev = m_prev.data();
    const std::int32_t base = m_base;
    const int effort = m_effort;
    constexpr unsigned kMask = (1u << kHashBits) - 1;
    // Positions with kMinMatch bytes go into the chains as the packing
    // passes them; the hash is rolled on from the one before.
    const qsizetype hashed = n - kMinMatch + 1; // the positions that have a hash
    qsizetype inserted = m_inserted, outSize = m_outSize, flagAt = m_flagAt;
    int items = m_items;
    qsizetype pos = start;
    while (pos < n) {
        const qsizetype upTo = std::min(pos, hashed);
        if (inserted < upTo) {
            unsigned h = unsigned(hash3(data + inserted));
            for (;;) {
                prev[inserted] = head[h];
                head[h] = base + std::int32_t(inserted);
                if (++inserted == upTo)
                    break;
                h = ((h << 5) ^ data[inserted + kMinMatch - 1]) & kMask;
            }
        }
        int bestLength = 0;
        qsizetype bestDistance = 0;
        const int limit = int(std::min<qsizetype>(n - pos, openDistance(open, pos)));
        if (limit >= kMinMatch) {
            qsizetype candidate = qsizetype(head[hash3(data + pos)]) - base;
            for (int chain = 0; candidate >= 0 && chain < effort; ++chain) {
                const qsizetype distance = pos - candidate;
                if (distance > kWindow)
                    break;
                if (data[candidate + bestLength] == data[pos + bestLength]) {
                    // Nor may the match reach an open byte where it was
                    // found; looked at only for a longer one.
                    int length = matchLength(data + candidate, data + pos, limit);
                    if (length > bestLength)
                        length = std::min(length, openDistance(open, candidate));
                    if (length > bestLength) {
                        bestLength = length;
                        bestDistance = distance;
                        if (length == limit)
                            break;
                    }
                }
                candidate = qsizetype(prev[candidate]) - base;
            }
        }
        const bool pair = bestLength >= kMinMatch;
        // An item takes three bytes at most (a flag byte and a pair).
        if (outSize + 3 > m_maxPacked &&
            outSize + (items == 8 ? 1 : 0) + (pair ? 2 : 1) > m_maxPacked) {
            m_inserted = inserted; // what restore() takes back out of the chains
            m_inSize = n;          // and its open bytes
            restore(m_pieces.back());
            m_pieces.pop_back();
            return false;
        }
        if (items == 8) {
            flagAt = outSize;
            o[outSize++] = 0;
            items = 0;
        }
        if (pair) {
            o[flagAt] = char(std::uint8_t(o[flagAt]) | (1u << items));
            const unsigned code =
                unsigned(bestDistance - 1) | (unsigned(bestLength - kMinMatch) << 12);
            o[outSize++] = char(code & 0xFF);
            o[outSize++] = char(code >> 8);
            pos += bestLength;
        } else {
            if (open[pos / 8] & (1u << (pos % 8)))
                m_openAt.push_back(int(outSize));
            o[outSize++] = char(data[pos]);
            ++pos;
        }
        ++items;
    }
    m_inserted = inserted;
    m_outSize = outSize;
    m_flagAt = flagAt;
    m_items = items;
    m_inSize = n;
    return true;
}

void Lz77BlockPacker::undo() {
    if (m_pieces.empty())
        return;
    restore(m_pieces.back());
    m_pieces.pop_back();
}

void Lz77BlockPacker::restore(const Saved& s) {
    // Each position put into the chains since, taken out last first: its
    // bytes are still those it was hashed by, and prev holds the head it replaced.
    for (qsizetype p = m_inserted - 1; p >= s.inserted; --p)
        m_head[std::size_t(hash3(m_in.data() + p))] = m_prev[std::size_t(p)];
    clearOpen(s.inSize, m_inSize);
    m_inSize = s.inSize;
    m_outSize = s.outSize;
    m_flagAt = s.flagAt;
    m_inserted = s.inserted;
    m_items = s.items;
    if (m_flagAt >= 0)
        m_out[std::size_t(m_flagAt)] = s.flag;
    m_openAt.resize(s.openAt);
}

} // namespace hc
