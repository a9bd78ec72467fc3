#include "lz77.h"

#include "bytes.h"

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

} // namespace hc
