// Windows-1252 in bulk gives the same bytes as one character at a time.
#include "codepage/ansi.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

// The reference: encode() one character at a time.
qsizetype encodeOneByOne(QStringView text, QByteArray& out) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char byte = 0;
        if (!ansi::encode(text[i].unicode(), byte))
            return i;
        out += byte;
    }
    return text.size();
}

} // namespace

class TestAnsi : public QObject {
    Q_OBJECT

private slots:
    // Runs of ASCII of every length around the block size, with a letter of
    // the upper half, a C1 letter (euro), an unassigned position and a
    // character beyond the code page at every place.
    void bulkEncodingMatchesOneByOne() {
        const char16_t odd[] = {u'\u00e9', u'\u20ac', u'\u0081', u'\u4e2d', 0xD83D,   u'\u0000',
                                u'\u007f', u'\u0080', u'\u00ff', u'\u0100', u'\u2122'};
        QRandomGenerator rng(23);
        int checked = 0;
        for (int length = 0; length <= 40; ++length) {
            for (int at = -1; at < length; ++at) {
                for (const char16_t c : odd) {
                    QString text(length, Qt::Uninitialized);
                    for (int i = 0; i < length; ++i)
                        text[i] = QChar(char16_t(0x20 + rng.bounded(0x5F)));
                    if (at >= 0)
                        text[at] = QChar(c);
                    QByteArray expected = "prefix";
                    const qsizetype expectedCount = encodeOneByOne(text, expected);
                    QByteArray out = "prefix";
                    QCOMPARE(ansi::appendEncoded(out, text), expectedCount);
                    QCOMPARE(out, expected);
                    QCOMPARE(ansi::firstUnencodable(text),
                             expectedCount == text.size() ? -1 : expectedCount);
                    ++checked;
                }
            }
        }
        QVERIFY(checked > 8000);
    }

    void fromUnicodeReplacesWhatItCannotHold() {
        QCOMPARE(ansi::fromUnicode(QStringLiteral("Caf\u00e9 \u20ac5 \u4e2d\u6587 \U0001F600 ok")),
                 QByteArray("Caf\xe9 \x80"
                            "5 ?? ?? ok"));
        const QString longText =
            QStringLiteral("plain ASCII text, long enough for blocks: ").repeated(5) +
            QStringLiteral("\u2014end");
        QCOMPARE(ansi::fromUnicode(longText),
                 QByteArray("plain ASCII text, long enough for blocks: ").repeated(5) + "\x97"
                                                                                        "end");
        QCOMPARE(ansi::toUnicode(ansi::fromUnicode(longText)), longText);
    }
};

QTEST_GUILESS_MAIN(TestAnsi)
#include "tst_ansi.moc"
