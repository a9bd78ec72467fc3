// The LZ77 variant of help files: groups of eight items behind a flag byte
// (least significant bit first); a set bit marks a 16-bit pair of a 12-bit
// distance and a 4-bit length that copies length+3 bytes from
// distance+1 bytes back, a clear bit a literal byte.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <span>
#include <vector>

namespace hc {

// Unpacks `src`, at most `maxOut` bytes of output (-1: no limit). A pair that
// reaches before the start of the output is a FormatError.
QByteArray Lz77Decompress(QByteArrayView src, qsizetype maxOut = -1);

// Packs the longest prefix of `src` whose packed form fits in `maxOut` bytes
// (-1: all of it). `consumed` receives how much of `src` was packed.
// `effort` bounds the earlier places tried for each match: less effort packs
// faster and a little worse.
QByteArray Lz77Compress(QByteArrayView src, qsizetype maxOut = -1, qsizetype* consumed = nullptr,
                        int effort = 16);

// Packs one block a piece at a time, each byte once. A piece may hold open
// fields: 4-byte values not known yet, stored as literals and filled in
// later, in the packed bytes. Matches end at the end of each piece (so what
// is packed of a piece stays valid whatever follows) and never cover or copy
// an open field.
class Lz77BlockPacker {
public:
    Lz77BlockPacker(qsizetype maxInput, qsizetype maxPacked, int effort = 8);

    // Starts the next block.
    void clear();
    // Appends `piece`, whose open fields start at `fields` (ascending offsets
    // into the piece). False, with the block as it was, when the block would
    // unpack to more than maxInput or pack to more than maxPacked bytes.
    bool append(QByteArrayView piece, std::span<const int> fields);
    // Takes the block's last piece back out.
    void undo();

    int pieces() const { return int(m_pieces.size()); }
    qsizetype inputSize() const { return m_inSize; }
    QByteArrayView packed() const { return {m_out.data(), m_outSize}; }
    // Where each open byte's literal went in packed(), in the order of the
    // bytes: four for each field.
    const std::vector<int>& openBytes() const { return m_openAt; }
    void setPacked(qsizetype at, char value) { m_out[std::size_t(at)] = value; }

private:
    struct Saved {
        qsizetype inSize, outSize, flagAt, inserted;
        int items;
        char flag;
        std::size_t openAt;
    };
    void restore(const Saved& s);
    void clearOpen(qsizetype from, qsizetype to);

    qsizetype m_maxInput, m_maxPacked;
    int m_effort;
    std::vector<unsigned char> m_in;
    std::vector<std::uint8_t> m_open; // a bit per input byte: set for open bytes
    std::vector<std::int32_t> m_head, m_prev;
    std::int32_t m_base = 0;     // as Lz77Compress's chains: entries below it are empty
    std::vector<Saved> m_pieces; // the state before each piece
    std::vector<char> m_out;
    std::vector<int> m_openAt;
    qsizetype m_inSize = 0, m_outSize = 0, m_inserted = 0;
    qsizetype m_flagAt = -1;
    int m_items = 8;
};

} // namespace hc
