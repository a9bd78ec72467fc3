// Little-endian reading and writing for the help file's binary structures,
// including the packed integers of topic records (one or two bytes for small
// values, two or four for large ones, told apart by the lowest bit).
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace hc {

// A structure of the file that does not hold what it claims.
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ByteWriter {
public:
    QByteArray data;

    qsizetype size() const { return data.size(); }
    void u8(std::uint8_t v) { data.append(char(v)); }
    void u16(std::uint16_t v) {
        const char b[2] = {char(v), char(v >> 8)};
        data.append(b, 2);
    }
    void i16(std::int16_t v) { u16(std::uint16_t(v)); }
    void u32(std::uint32_t v) {
        const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        data.append(b, 4);
    }
    void i32(std::int32_t v) { u32(std::uint32_t(v)); }
    void bytes(QByteArrayView b) { data.append(b.data(), b.size()); }
    void stringz(QByteArrayView b) {
        bytes(b);
        u8(0);
    }
    void zeros(qsizetype n) { data.append(n, '\0'); }
    void put32(qsizetype at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            data[at + i] = char(v >> (8 * i));
    }
    void put16(qsizetype at, std::uint16_t v) {
        data[at] = char(v);
        data[at + 1] = char(v >> 8);
    }

    // Packed values of topic records.
    void packedUShort(unsigned v); // 0 .. 32767
    void packedShort(int v);       // -16384 .. 16383
    void packedULong(std::uint32_t v);
    void packedLong(std::int32_t v);
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
