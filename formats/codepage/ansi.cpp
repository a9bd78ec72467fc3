#include "ansi.h"

namespace ansi {

namespace {
// 0x80..0x9F of Windows-1252; 0 marks the five unassigned positions, which map
// to the C1 control characters of the same value so that no byte is lost.
constexpr char16_t k80to9F[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
} // namespace

QString toUnicode(const char* bytes, qsizetype length) {
    QString out(length, Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < length; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x80 && b <= 0x9F && k80to9F[b - 0x80] != 0)
            dst[i] = QChar(k80to9F[b - 0x80]);
        else
            dst[i] = QChar(static_cast<char16_t>(b));
    }
    return out;
}

QString toUnicode(const QByteArray& bytes) {
    return toUnicode(bytes.constData(), bytes.size());
}

bool encode(char16_t u, char& byte) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
        byte = static_cast<char>(u);
        return true;
    }
    for (int k = 0; k < 32; ++k) {
        if (k80to9F[k] == u || (k80to9F[k] == 0 && u == 0x80 + k)) {
            byte = static_cast<char>(0x80 + k);
            return true;
        }
    }
    return false;
}

qsizetype appendEncoded(QByteArray& out, QStringView text) {
    constexpr qsizetype kBlock = 16;
    const qsizetype base = out.size();
    const qsizetype n = text.size();
    out.resize(base + n);
    char* dst = out.data() + base;
    const char16_t* src = text.utf16();
    qsizetype i = 0;
    while (i < n) {
        qsizetype end = n;
        if (n - i >= kBlock) {
            // One test for a block of ASCII, then a plain narrowing copy;
            // both loops vectorize.
            char16_t any = 0;
            for (qsizetype k = 0; k < kBlock; ++k)
                any |= src[i + k];
            if (any < 0x80) {
                for (qsizetype k = 0; k < kBlock; ++k)
                    dst[i + k] = static_cast<char>(src[i + k]);
                i += kBlock;
                continue;
            }
            end = i + kBlock;
        }
        for (; i < end; ++i) {
            if (!encode(src[i], dst[i])) {
                out.truncate(base + i);
                return i;
            }
        }
    }
    return n;
}

QByteArray fromUnicode(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (QStringView rest = text; !rest.isEmpty();) {
        const qsizetype done = appendEncoded(out, rest);
        if (done == rest.size())
            break;
        out += '?';
        rest = rest.sliced(done + 1);
    }
    return out;
}

qsizetype firstUnencodable(QStringView text) {
    QByteArray scratch;
    scratch.reserve(text.size());
    const qsizetype done = appendEncoded(scratch, text);
    return done == text.size() ? -1 : done;
}

QString describeCharacter(QStringView text, qsizetype at) {
    char32_t code = text[at].unicode();
    qsizetype length = 1;
    if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
        code = QChar::surrogateToUcs4(text[at], text[at + 1]);
        length = 2;
    }
    const QString hex =
        QString::number(static_cast<uint>(code), 16).toUpper().rightJustified(4, u'0');
    // Control characters are shown by their code point only.
    if (code < 0x20 || (code >= 0x7F && code < 0xA0))
        return QStringLiteral("U+") + hex;
    return u'"' + text.mid(at, length).toString() + QStringLiteral("\" (U+") + hex + u')';
}

} // namespace ansi
