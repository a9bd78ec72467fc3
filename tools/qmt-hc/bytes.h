// Little-endian reading and writing for the help file's binary structures,
// including the packed integers of topic records (one or two bytes for small
// values, two or four for large ones, told apart by the lowest bit).
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtEndian>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

namespace hc {

// A structure of the file that does not hold what it claims.
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Appends go straight into a buffer that grows by doubling: records are
// written a byte or a word at a time, millions of times per help file.
class ByteWriter {
public:
    ByteWriter() = default;
    ByteWriter(ByteWriter&& o) noexcept
        : m_data(std::exchange(o.m_data, {})), m_begin(std::exchange(o.m_begin, nullptr)),
          m_size(std::exchange(o.m_size, 0)) {}
    ByteWriter& operator=(ByteWriter&& o) noexcept {
        m_data = std::exchange(o.m_data, {});
        m_begin = std::exchange(o.m_begin, nullptr);
        m_size = std::exchange(o.m_size, 0);
        return *this;
    }

    qsizetype size() const { return m_size; }
    void reserve(qsizetype n) {
        if (n > m_data.size())
            grow(n - m_size);
    }
    void u8(std::uint8_t v) { *room(1) = char(v); }
    void u16(std::uint16_t v) { qToLittleEndian(v, room(2)); }
    void i16(std::int16_t v) { u16(std::uint16_t(v)); }
    void u32(std::uint32_t v) { qToLittleEndian(v, room(4)); }
    void i32(std::int32_t v) { u32(std::uint32_t(v)); }
    void bytes(QByteArrayView b) {
        if (!b.isEmpty())
            std::memcpy(room(b.size()), b.data(), std::size_t(b.size()));
    }
    void stringz(QByteArrayView b) {
        bytes(b);
        u8(0);
    }
    void zeros(qsizetype n) {
        if (n > 0)
            std::memset(room(n), 0, std::size_t(n));
    }
    void put32(qsizetype at, std::uint32_t v) { qToLittleEndian(v, m_begin + at); }
    void put16(qsizetype at, std::uint16_t v) { qToLittleEndian(v, m_begin + at); }
    void put8(qsizetype at, std::uint8_t v) { m_begin[at] = char(v); }

    // Packed values of topic records.
    void packedUShort(unsigned v); // 0 .. 32767
    void packedShort(int v);       // -16384 .. 16383
    void packedULong(std::uint32_t v);
    void packedLong(std::int32_t v);

    void clear() { m_size = 0; }
    void truncate(qsizetype n) { m_size = std::min(m_size, n); }
    const char* constData() const { return m_begin; }
    QByteArrayView view() const { return {m_begin, m_size}; }
    // The bytes written; the writer is empty afterwards.
    QByteArray take();
    // Writes from the start of `buffer`, using all the room it has.
    void reuse(QByteArray&& buffer);

private:
    char* room(qsizetype n) {
        if (m_size + n > m_data.size())
            grow(n);
        char* p = m_begin + m_size;
        m_size += n;
        return p;
    }
    void grow(qsizetype n);

    QByteArray m_data; // its size is the room; m_size of it are written
    char* m_begin = nullptr;
    qsizetype m_size = 0;
};

// Bounds-checked reading; every overrun throws FormatError naming `what`.
class ByteReader {
public:
    ByteReader(QByteArrayView data, const char* what, qsizetype pos = 0)
        : m_data(data), m_what(what), m_pos(pos) {}

    qsizetype pos() const { return m_pos; }
    void seek(qsizetype pos);
    qsizetype remaining() const { return m_data.size() - m_pos; }
    bool atEnd() const { return m_pos >= m_data.size(); }

    std::uint8_t u8();
    std::uint16_t u16();
    std::int16_t i16() { return std::int16_t(u16()); }
    std::uint32_t u32();
    std::int32_t i32() { return std::int32_t(u32()); }
    QByteArray bytes(qsizetype n);
    QByteArray stringz(); // up to the NUL (which is consumed); throws without one
    void skip(qsizetype n);

    unsigned packedUShort();
    int packedShort();
    std::uint32_t packedULong();
    std::int32_t packedLong();

    [[noreturn]] void fail(const std::string& why) const;

private:
    void need(qsizetype n) const;

    QByteArrayView m_data;
    const char* m_what;
    qsizetype m_pos;
};

inline QByteArray withNul(QByteArray b) {
    b.append('\0');
    return b;
}

inline std::uint16_t getU16(QByteArrayView d, qsizetype at) {
    return std::uint16_t(std::uint8_t(d[at]) | (std::uint8_t(d[at + 1]) << 8));
}
inline std::uint32_t getU32(QByteArrayView d, qsizetype at) {
    return getU16(d, at) | (std::uint32_t(getU16(d, at + 2)) << 16);
}

} // namespace hc
