#include "bytes.h"

#include <algorithm>

namespace hc {

void ByteWriter::grow(qsizetype n) {
    m_data.resize(std::max({m_size + n, m_data.size() * 2, qsizetype(64)}));
    m_begin = m_data.data();
}

QByteArray ByteWriter::take() {
    m_data.truncate(m_size);
    QByteArray out = std::move(m_data);
    m_data = QByteArray();
    m_begin = nullptr;
    m_size = 0;
    return out;
}

void ByteWriter::reuse(QByteArray&& buffer) {
    m_data = std::move(buffer);
    m_data.resize(m_data.capacity()); // within its room: nothing moves
    m_begin = m_data.data();
    m_size = 0;
}

void ByteWriter::packedUShort(unsigned v) {
    if (v < 0x80) {
        u8(std::uint8_t(v * 2));
    } else {
        u16(std::uint16_t(v * 2 + 1));
    }
}

void ByteWriter::packedShort(int v) {
    if (v >= -0x40 && v < 0x40)
        u8(std::uint8_t((v + 0x40) * 2));
    else
        u16(std::uint16_t((v + 0x4000) * 2 + 1));
}

void ByteWriter::packedULong(std::uint32_t v) {
    if (v < 0x8000)
        u16(std::uint16_t(v * 2));
    else
        u32(v * 2 + 1);
}

void ByteWriter::packedLong(std::int32_t v) {
    if (v >= -0x4000 && v < 0x4000)
        u16(std::uint16_t((v + 0x4000) * 2));
    else
        u32(std::uint32_t((std::int64_t(v) + 0x40000000) * 2 + 1));
}

void ByteReader::fail(const std::string& why) const {
    throw FormatError(std::string(m_what) + ": " + why);
}

void ByteReader::need(qsizetype n) const {
    if (n < 0 || m_pos < 0 || m_pos + n > m_data.size())
        fail("ends too early");
}

void ByteReader::seek(qsizetype pos) {
    if (pos < 0 || pos > m_data.size())
        fail("points outside its data");
    m_pos = pos;
}

std::uint8_t ByteReader::u8() {
    need(1);
    return std::uint8_t(m_data[m_pos++]);
}

std::uint16_t ByteReader::u16() {
    need(2);
    const std::uint16_t v = getU16(m_data, m_pos);
    m_pos += 2;
    return v;
}

std::uint32_t ByteReader::u32() {
    need(4);
    const std::uint32_t v = getU32(m_data, m_pos);
    m_pos += 4;
    return v;
}

QByteArray ByteReader::bytes(qsizetype n) {
    need(n);
    QByteArray b(m_data.data() + m_pos, n);
    m_pos += n;
    return b;
}

QByteArray ByteReader::stringz() {
    const qsizetype end = m_data.indexOf('\0', m_pos);
    if (end < 0)
        fail("has a text without its end");
    QByteArray b(m_data.data() + m_pos, end - m_pos);
    m_pos = end + 1;
    return b;
}

void ByteReader::skip(qsizetype n) {
    need(n);
    m_pos += n;
}

unsigned ByteReader::packedUShort() {
    need(1);
    if (std::uint8_t(m_data[m_pos]) & 1)
        return u16() / 2;
    return u8() / 2;
}

int ByteReader::packedShort() {
    need(1);
    if (std::uint8_t(m_data[m_pos]) & 1)
        return int(u16() / 2) - 0x4000;
    return int(u8() / 2) - 0x40;
}

std::uint32_t ByteReader::packedULong() {
    need(2);
    if (std::uint8_t(m_data[m_pos]) & 1)
        return u32() / 2;
    return u16() / 2;
}

std::int32_t ByteReader::packedLong() {
    need(2);
    if (std::uint8_t(m_data[m_pos]) & 1)
        return std::int32_t(std::int64_t(u32() / 2) - 0x40000000);
    return std::int32_t(u16() / 2) - 0x4000;
}

} // namespace hc
