#include "lzx.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <queue>

namespace chm {

namespace {

constexpr int kPositionSlots = 32; // for a 2^16 window
constexpr int kMainSymbols = 256 + kPositionSlots * 8;
constexpr int kLengthSymbols = 249;
constexpr int kPretreeSymbols = 20;
constexpr int kMinMatch = 3; // two-byte matches seldom pay for their offset
constexpr int kMaxMatch = 257;
constexpr int kMaxOffset = (1 << kLzxWindowBits) - 3;
constexpr int kMaxCodeLength = 16;
constexpr int kMaxPretreeLength = 15; // stored in four bits
constexpr int kBlockVerbatim = 1;

// The 16-bit little-endian words of the stream, each filled from its top bit.
class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : m_out(out) {}

    void put(std::uint32_t value, int bits) {
        m_acc = (m_acc << bits) | value;
        m_bits += bits;
        while (m_bits >= 16) {
            m_bits -= 16;
            const auto word = std::uint16_t(m_acc >> m_bits);
            m_out.push_back(std::uint8_t(word & 0xFF));
            m_out.push_back(std::uint8_t(word >> 8));
        }
        m_acc &= (std::uint64_t(1) << m_bits) - 1;
    }
    void align() {
        if (m_bits > 0)
            put(0, 16 - m_bits);
    }
    std::size_t size() const { return m_out.size(); }

private:
    std::vector<std::uint8_t>& m_out;
    std::uint64_t m_acc = 0;
    int m_bits = 0;
};

// Code lengths of a Huffman code for `freq`, none longer than `maxLength`.
// At least two symbols get a code: a decoder accepts only complete codes.
void codeLengths(const std::uint32_t* freq, int count, int maxLength, std::uint8_t* lengths) {
    std::vector<std::uint32_t> f(freq, freq + count);
    int used = int(std::count_if(f.begin(), f.end(), [](std::uint32_t v) { return v > 0; }));
    for (int s = 0; used < 2 && s < count; ++s)
        if (f[std::size_t(s)] == 0) {
            f[std::size_t(s)] = 1;
            ++used;
        }
    std::vector<int> parent(std::size_t(2 * count), -1);
    for (;;) {
        using Node = std::pair<std::uint64_t, int>; // weight, node
        std::priority_queue<Node, std::vector<Node>, std::greater<>> heap;
        for (int s = 0; s < count; ++s)
            if (f[std::size_t(s)] > 0)
                heap.emplace(f[std::size_t(s)], s);
        int next = count;
        while (heap.size() > 1) {
            const Node a = heap.top();
            heap.pop();
            const Node b = heap.top();
            heap.pop();
            parent[std::size_t(a.second)] = next;
            parent[std::size_t(b.second)] = next;
            parent[std::size_t(next)] = -1;
            heap.emplace(a.first + b.first, next++);
        }
        // Depths, from the root down: every parent was made after its children.
        std::vector<int> depth(std::size_t(next), 0);
        for (int n = next - 2; n >= 0; --n)
            if (parent[std::size_t(n)] >= 0)
                depth[std::size_t(n)] = depth[std::size_t(parent[std::size_t(n)])] + 1;
        int longest = 0;
        for (int s = 0; s < count; ++s) {
            lengths[s] = f[std::size_t(s)] > 0 ? std::uint8_t(depth[std::size_t(s)]) : 0;
            longest = std::max<int>(longest, lengths[s]);
        }
        if (longest <= maxLength)
            return;
        // Flatten the frequencies and try again.
        for (std::uint32_t& v : f)
            if (v > 0)
                v = (v >> 1) | 1;
    }
}

// Canonical codes: shorter codes first, equal lengths in symbol order.
void canonicalCodes(const std::uint8_t* lengths, int count, std::uint16_t* codes) {
    std::array<int, kMaxCodeLength + 2> perLength{};
    for (int s = 0; s < count; ++s)
        ++perLength[lengths[s]];
    perLength[0] = 0;
    std::array<int, kMaxCodeLength + 2> next{};
    int code = 0;
    for (int bits = 1; bits <= kMaxCodeLength; ++bits) {
        code = (code + perLength[std::size_t(bits - 1)]) << 1;
        next[std::size_t(bits)] = code;
    }
    for (int s = 0; s < count; ++s)
        if (lengths[s] > 0)
            codes[s] = std::uint16_t(next[lengths[s]]++);
}

struct Tree {
    std::vector<std::uint8_t> lengths;
    std::vector<std::uint16_t> codes;

    void build(const std::uint32_t* freq, int count, int maxLength) {
        lengths.assign(std::size_t(count), 0);
        codes.assign(std::size_t(count), 0);
        codeLengths(freq, count, maxLength, lengths.data());
        canonicalCodes(lengths.data(), count, codes.data());
    }
    void put(BitWriter& w, int symbol) const {
        w.put(codes[std::size_t(symbol)], lengths[std::size_t(symbol)]);
    }
};

// A tree's lengths, written as changes from the previous block's lengths
// through a small tree of its own ("pretree").
void writeLengths(BitWriter& w, const std::uint8_t* lengths, std::uint8_t* previous, int count) {
    struct Code {
        std::uint8_t symbol;
        std::uint8_t extraBits;
        std::uint8_t extra;
    };
    std::vector<Code> out;
    out.reserve(std::size_t(count));
    const auto delta = [&](int at, int value) {
        return std::uint8_t((previous[at] - value + 17) % 17);
    };
    for (int i = 0; i < count;) {
        int run = 1;
        while (i + run < count && lengths[i + run] == lengths[i])
            ++run;
        if (lengths[i] == 0 && run >= 4) {
            if (run >= 20) {
                run = std::min(run, 51);
                out.push_back({18, 5, std::uint8_t(run - 20)});
            } else {
                out.push_back({17, 4, std::uint8_t(run - 4)});
            }
        } else if (run >= 4) {
            run = std::min(run, 5);
            out.push_back({19, 1, std::uint8_t(run - 4)});
            out.push_back({delta(i, lengths[i]), 0, 0});
        } else {
            run = 1;
            out.push_back({delta(i, lengths[i]), 0, 0});
        }
        i += run;
    }
    std::array<std::uint32_t, kPretreeSymbols> freq{};
    for (const Code& c : out)
        ++freq[c.symbol];
    Tree pretree;
    pretree.build(freq.data(), kPretreeSymbols, kMaxPretreeLength);
    for (int s = 0; s < kPretreeSymbols; ++s)
        w.put(pretree.lengths[std::size_t(s)], 4);
    for (const Code& c : out) {
        pretree.put(w, c.symbol);
        if (c.extraBits > 0)
            w.put(c.extra, c.extraBits);
    }
    std::memcpy(previous, lengths, std::size_t(count));
}

struct PositionSlots {
    std::array<std::uint32_t, kPositionSlots> base{};
    std::array<std::uint8_t, kPositionSlots> extra{};
    constexpr PositionSlots() {
        std::uint32_t at = 0;
        for (int s = 0; s < kPositionSlots; ++s) {
            extra[std::size_t(s)] = std::uint8_t(s < 4 ? 0 : std::min((s - 2) / 2, 17));
            base[std::size_t(s)] = at;
            at += 1u << extra[std::size_t(s)];
        }
    }
};
constexpr PositionSlots kSlots;

int slotOf(std::uint32_t formatted) {
    if (formatted < 4)
        return int(formatted);
    const int high = 31 - __builtin_clz(formatted);
    return 2 * high + int((formatted >> (high - 1)) & 1);
}

// A literal (length 0) or a match.
struct Token {
    std::uint16_t length = 0;
    std::uint8_t literal = 0;
    std::uint32_t formatted = 0; // the offset as coded: 0-2 the repeated ones, else offset + 2
};

class Encoder {
public:
    Encoder(BitWriter& w, int effort) : m_w(w), m_effort(effort) {
        m_head.resize(kHashSize);
        m_prev.resize(std::size_t(1) << kLzxWindowBits);
    }

    // One reset interval: the decoder starts afresh.
    void interval(const std::uint8_t* data, int size, std::vector<std::uint64_t>& frameOffsets) {
        std::fill(m_head.begin(), m_head.end(), -1);
        std::memset(m_mainPrev.data(), 0, m_mainPrev.size());
        std::memset(m_lengthPrev.data(), 0, m_lengthPrev.size());
        m_r = {1, 1, 1};
        m_data = data;
        m_size = size;
        m_inserted = 0;
        for (int start = 0; start < size; start += kLzxFrameSize) {
            frameOffsets.push_back(m_w.size());
            if (start == 0)
                m_w.put(0, 1); // no call translation
            frame(start, std::min(size, start + kLzxFrameSize));
            m_w.align();
        }
    }

private:
    static constexpr int kHashBits = 15;
    static constexpr std::size_t kHashSize = std::size_t(1) << kHashBits;

    std::uint32_t hash(int at) const {
        const std::uint32_t v = std::uint32_t(m_data[at]) | std::uint32_t(m_data[at + 1]) << 8 |
                                std::uint32_t(m_data[at + 2]) << 16;
        return (v * 2654435761u) >> (32 - kHashBits);
    }
    void insertUpTo(int end) {
        for (; m_inserted < end && m_inserted + 2 < m_size; ++m_inserted) {
            const std::uint32_t h = hash(m_inserted);
            m_prev[std::size_t(m_inserted)] = m_head[h];
            m_head[h] = m_inserted;
        }
    }
    int matchLength(int at, int from, int limit) const {
        int n = 0;
        while (n < limit && m_data[at + n] == m_data[from + n])
            ++n;
        return n;
    }
    // The longest match at `at` within `limit` bytes; its offset in `offset`.
    int longest(int at, int limit, int& offset) {
        insertUpTo(at);
        int best = 0;
        offset = 0;
        if (limit < kMinMatch)
            return 0;
        if (int(m_r[0]) <= at) {
            const int n = matchLength(at, at - int(m_r[0]), limit);
            if (n >= kMinMatch) {
                best = n;
                offset = int(m_r[0]);
            }
        }
        // A repeat of the last offset as long as allowed needs no search.
        int candidate = best < limit ? m_head[hash(at)] : -1;
        for (int tries = m_effort; candidate >= 0 && tries > 0; --tries) {
            const int distance = at - candidate;
            if (distance > kMaxOffset)
                break;
            if (m_data[candidate + best] == m_data[at + best] || best == 0) {
                const int n = matchLength(at, candidate, limit);
                if (n > best + (offset == int(m_r[0]) && best > 0 ? 1 : 0)) {
                    best = n;
                    offset = distance;
                    if (n == limit)
                        break;
                }
            }
            candidate = m_prev[std::size_t(candidate)];
        }
        return best >= kMinMatch ? best : 0;
    }

    std::uint32_t formatOffset(std::uint32_t offset) {
        if (offset == m_r[0])
            return 0;
        if (offset == m_r[1]) {
            std::swap(m_r[0], m_r[1]);
            return 1;
        }
        if (offset == m_r[2]) {
            std::swap(m_r[0], m_r[2]);
            return 2;
        }
        m_r[2] = m_r[1];
        m_r[1] = m_r[0];
        m_r[0] = offset;
        return offset + 2;
    }

    void frame(int start, int end) {
        m_tokens.clear();
        int at = start;
        int offset = 0;
        int length = longest(at, std::min(kMaxMatch, end - at), offset);
        while (at < end) {
            if (length == 0) {
                m_tokens.push_back({0, m_data[at], 0});
                ++at;
                if (at < end)
                    length = longest(at, std::min(kMaxMatch, end - at), offset);
                continue;
            }
            // One step of lazy matching: a longer match one byte on wins.
            int nextOffset = 0;
            const int nextLength =
                at + 1 < end && length < 32
                    ? longest(at + 1, std::min(kMaxMatch, end - at - 1), nextOffset)
                    : 0;
            if (nextLength > length) {
                m_tokens.push_back({0, m_data[at], 0});
                ++at;
                length = nextLength;
                offset = nextOffset;
                continue;
            }
            m_tokens.push_back({std::uint16_t(length), 0, formatOffset(std::uint32_t(offset))});
            at += length;
            length = at < end ? longest(at, std::min(kMaxMatch, end - at), offset) : 0;
        }
        writeBlock(end - start);
    }

    void writeBlock(int size) {
        std::array<std::uint32_t, kMainSymbols> mainFreq{};
        std::array<std::uint32_t, kLengthSymbols> lengthFreq{};
        for (const Token& t : m_tokens) {
            if (t.length == 0) {
                ++mainFreq[t.literal];
                continue;
            }
            const int header = std::min(t.length - 2, 7);
            ++mainFreq[std::size_t(256 + slotOf(t.formatted) * 8 + header)];
            if (header == 7)
                ++lengthFreq[std::size_t(t.length - 9)];
        }
        Tree main, lengths;
        main.build(mainFreq.data(), kMainSymbols, kMaxCodeLength);
        lengths.build(lengthFreq.data(), kLengthSymbols, kMaxCodeLength);

        m_w.put(kBlockVerbatim, 3);
        m_w.put(std::uint32_t(size) >> 8, 16);
        m_w.put(std::uint32_t(size) & 0xFF, 8);
        writeLengths(m_w, main.lengths.data(), m_mainPrev.data(), 256);
        writeLengths(m_w, main.lengths.data() + 256, m_mainPrev.data() + 256, kMainSymbols - 256);
        writeLengths(m_w, lengths.lengths.data(), m_lengthPrev.data(), kLengthSymbols);

        for (const Token& t : m_tokens) {
            if (t.length == 0) {
                main.put(m_w, t.literal);
                continue;
            }
            const int header = std::min(t.length - 2, 7);
            const int slot = slotOf(t.formatted);
            main.put(m_w, 256 + slot * 8 + header);
            if (header == 7)
                lengths.put(m_w, t.length - 9);
            if (const int extra = kSlots.extra[std::size_t(slot)]; extra > 0)
                m_w.put(t.formatted - kSlots.base[std::size_t(slot)], extra);
        }
    }

    BitWriter& m_w;
    int m_effort;
    const std::uint8_t* m_data = nullptr;
    int m_size = 0;
    int m_inserted = 0;
    std::vector<int> m_head;
    std::vector<int> m_prev;
    std::array<std::uint32_t, 3> m_r{1, 1, 1};
    std::array<std::uint8_t, kMainSymbols> m_mainPrev{};
    std::array<std::uint8_t, kLengthSymbols> m_lengthPrev{};
    std::vector<Token> m_tokens;
};

} // namespace

LzxOutput LzxCompress(QByteArrayView input, int effort) {
    LzxOutput out;
    out.data.reserve(std::size_t(input.size() / 4 + 64));
    BitWriter w(out.data);
    Encoder encoder(w, std::max(1, effort));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(input.data());
    constexpr qsizetype kInterval = qsizetype(kLzxFrameSize) * kLzxFramesPerReset;
    for (qsizetype at = 0; at < input.size(); at += kInterval) {
        if (input.size() - at >= kInterval) {
            encoder.interval(bytes + at, int(kInterval), out.frameOffsets);
            continue;
        }
        const qsizetype rest = input.size() - at;
        const qsizetype padded = (rest + kLzxFrameSize - 1) / kLzxFrameSize * kLzxFrameSize;
        std::vector<std::uint8_t> last(std::size_t(padded), 0);
        std::memcpy(last.data(), bytes + at, std::size_t(rest));
        encoder.interval(last.data(), int(padded), out.frameOffsets);
    }
    return out;
}

} // namespace chm
