// The RTF tokenizer: tokens as strings (next) and as views into Unicode text
// and into bytes (nextView), which split text at line ends; bytes read a
// window at a time give the tokens of the bytes read whole.
#include "rtf/rtftokenizer.h"

#include <QtTest>

using namespace rtf;

namespace {

template <typename T> QString textOf(const T& t) {
    if constexpr (std::is_same_v<decltype(t.text), QByteArrayView>)
        return QString::fromLatin1(t.text);
    else
        return QStringView(t.text).toString();
}

// A token as "{", "}", "\word", "\word-12", "\'(233)", "\~", "'text'", with
// "@line" after it.
template <typename T> QString describe(const T& t) {
    const QString text = textOf(t);
    QString s;
    switch (t.kind) {
    case TokenKind::GroupStart:
        s = QStringLiteral("{");
        break;
    case TokenKind::GroupEnd:
        s = QStringLiteral("}");
        break;
    case TokenKind::ControlWord:
    case TokenKind::ControlSymbol:
        s = u'\\' + text;
        if (t.hasParameter)
            s += t.kind == TokenKind::ControlWord ? QString::number(t.parameter)
                                                  : u'(' + QString::number(t.parameter) + u')';
        break;
    case TokenKind::Text:
        s = u'\'' + text + u'\'';
        break;
    case TokenKind::End:
        break;
    }
    return s + u'@' + QString::number(t.line);
}

// All tokens of `tokens`, skipping binary data after \binN as readers do.
template <typename Tokenizer, typename Next> QString all(Tokenizer& tokens, Next next) {
    QStringList list;
    for (auto t = next(tokens); t.kind != TokenKind::End; t = next(tokens)) {
        list << describe(t);
        if (t.kind == TokenKind::ControlWord && textOf(t) == u"bin")
            tokens.skipBinary(t.parameter);
    }
    return list.join(u' ');
}

// Hands out a document's bytes `step` at a time (the last read may be short).
class StepSource : public ByteSource {
public:
    StepSource(QByteArrayView bytes, qsizetype step) : m_bytes(bytes), m_step(step) {}
    qsizetype read(char* to, qsizetype size) override {
        const qsizetype n = std::min({size, m_step, m_bytes.size()});
        std::memcpy(to, m_bytes.data(), std::size_t(n));
        m_bytes = m_bytes.sliced(n);
        return n;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_step;
};

// Each token as kind, text, parameter, offset and line, binary data skipped;
// text that goes on right after text (at a window's end) joined to it.
QStringList tokenList(ByteTokenizer& tokens) {
    QStringList list;
    qsizetype textEnd = -1; // where the last token, a text, ended
    for (auto t = tokens.nextView(); t.kind != TokenKind::End; t = tokens.nextView()) {
        const bool text = t.kind == TokenKind::Text;
        if (text && t.offset == textEnd)
            list.back() += QString::fromLatin1(t.text);
        else
            list << QStringLiteral("%1 %2 %3@%4 %5")
                        .arg(int(t.kind))
                        .arg(t.parameter)
                        .arg(t.offset)
                        .arg(t.line)
                        .arg(QString::fromLatin1(t.text));
        textEnd = text ? t.offset + t.text.size() : -1;
        if (t.kind == TokenKind::ControlWord && t.text == "bin")
            tokens.skipBinary(t.parameter);
    }
    list << QStringLiteral("end %1@%2").arg(tokens.position()).arg(tokens.line());
    return list;
}

} // namespace

class TstTokenizer : public QObject {
    Q_OBJECT

private slots:
    void tokens_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("strings"); // next()
        QTest::addColumn<QString>("views");   // nextView(), where it differs
        const auto row = [](const char* name, const QString& source, const QString& strings,
                            const QString& views = {}) {
            QTest::newRow(name) << source << strings << (views.isEmpty() ? strings : views);
        };
        row("groups and words", QStringLiteral("{\\rtf1\\ansi Hello}"),
            QStringLiteral("{@1 \\rtf1@1 \\ansi@1 'Hello'@1 }@1"));
        row("parameters", QStringLiteral("\\fs20\\li-360\\b0 x\\li-y"),
            QStringLiteral("\\fs20@1 \\li-360@1 \\b0@1 'x'@1 \\li@1 '-y'@1"));
        row("overlong parameter clamped", QStringLiteral("\\u99999999999999x\\u-99999999999"),
            QStringLiteral("\\u2147483647@1 'x'@1 \\u-2147483648@1"));
        row("one blank ends a word", QStringLiteral("\\b  two"), QStringLiteral("\\b@1 ' two'@1"));
        row("symbols", QStringLiteral("\\'e9\\'E9\\~\\{\\}\\\\\\-5"),
            QStringLiteral("\\'(233)@1 \\'(233)@1 \\~@1 \\{@1 \\}@1 \\\\@1 \\-@1 '5'@1"));
        row("hex that is not", QStringLiteral("\\'zz\\'a"),
            QStringLiteral("\\'@1 'zz'@1 \\'@1 'a'@1"));
        row("backslash before a line end is a paragraph", QStringLiteral("a\\\r\nb\\\nc\\\rd"),
            QStringLiteral("'a'@1 \\par@1 'b'@2 \\par@2 'c'@3 \\par@3 'd'@4"));
        row("line ends inside text", QStringLiteral("one\r\ntwo\nthree\rfour"),
            QStringLiteral("'onetwothreefour'@1"),
            QStringLiteral("'one'@1 'two'@2 'three'@3 'four'@4"));
        row("text of line ends only", QStringLiteral("}\r\n\r\n{x\n"),
            QStringLiteral("}@1 {@3 'x'@3"));
        row("text after line ends starts at them", QStringLiteral("\\par\r\nab\\b"),
            QStringLiteral("\\par@1 'ab'@1 \\b@2"), QStringLiteral("\\par@1 'ab'@2 \\b@2"));
        row("backslash at the end", QStringLiteral("x\\"), QStringLiteral("'x'@1 \\@1"));
        row("binary data skipped", QStringLiteral("\\bin4 a\n{b}c"),
            QStringLiteral("\\bin4@1 }@2 'c'@2"));
        row("characters beyond ASCII", QStringLiteral("caf\u00e9 \u00ff\\\u00e9"),
            QStringLiteral("'caf\u00e9 \u00ff'@1 \\\u00e9@1"));
        row("empty", QString(), QString());
    }

    void tokens() {
        QFETCH(QString, source);
        QFETCH(QString, strings);
        QFETCH(QString, views);
        Tokenizer tokenizer(source);
        QCOMPARE(all(tokenizer, [](Tokenizer& t) { return t.next(); }), strings);
        QCOMPARE(tokenizer.next().kind, TokenKind::End); // and ever after
        Tokenizer unicode(source);
        QCOMPARE(all(unicode, [](Tokenizer& t) { return t.nextView(); }), views);
        const QByteArray bytes = source.toLatin1();
        ByteTokenizer byteTokens(bytes);
        QCOMPARE(all(byteTokens, [](ByteTokenizer& t) { return t.nextView(); }), views);
        QCOMPARE(byteTokens.position(), bytes.size());
    }

    // Where tokens start: a help text's checks quote the code at a token.
    void offsets() {
        const QString source = QStringLiteral("ab\r\n\\b c\\'41{");
        Tokenizer tokens(source);
        QList<qsizetype> offsets;
        for (Token t = tokens.next(); t.kind != TokenKind::End; t = tokens.next())
            offsets << t.offset;
        QCOMPARE(offsets, (QList<qsizetype>{0, 4, 7, 8, 12}));
    }

    // Windows end anywhere: inside a long text, among line ends (a CR whose
    // LF comes with the next window), inside binary data; each document is
    // read in steps of several sizes.
    void windows_data() {
        QTest::addColumn<QByteArray>("bytes");
        constexpr qsizetype kWindow = ByteTokenizer::kWindow;
        QByteArray mixed = "{\\rtf1\\ansi ";
        for (int i = 0; mixed.size() < 3 * kWindow; ++i)
            mixed += QByteArray("\\b0 x\r\n\\'e9\\par\r{\\fs-20}\\\r\n\n\\u8364 ?text ")
                         .left(7 + i % 31);
        QTest::newRow("codes and line ends") << mixed;
        QTest::newRow("text longer than a window")
            << "{\\rtf1 " + QByteArray(kWindow + 5000, 'a') + "\r\nb\\par}";
        QByteArray binary(kWindow + 777, '\0');
        for (qsizetype i = 0; i < binary.size(); ++i)
            binary[i] = "\r\n\\{}ab"[i % 7];
        QTest::newRow("binary data across windows")
            << "{\\pict\\bin" + QByteArray::number(binary.size()) + " " + binary + "}\\par\r\nx";
        QTest::newRow("binary data past the end") << QByteArray("{\\bin99 \r\n");
        QTest::newRow("line ends only") << QByteArray(kWindow + 3, '\r') + QByteArray(9, '\n');
        QTest::newRow("empty") << QByteArray();
    }

    void windows() {
        QFETCH(QByteArray, bytes);
        ByteTokenizer whole(bytes);
        const QStringList expected = tokenList(whole);
        for (const qsizetype step : {qsizetype(1), qsizetype(4093), ByteTokenizer::kWindow * 2}) {
            StepSource source(bytes, step);
            ByteTokenizer windowed(source);
            const QStringList got = tokenList(windowed);
            QCOMPARE(got.size(), expected.size());
            for (qsizetype i = 0; i < got.size(); ++i)
                if (got[i] != expected[i])
                    QFAIL(qPrintable(QStringLiteral("step %1, token %2: %3 instead of %4")
                                         .arg(step)
                                         .arg(i)
                                         .arg(got[i].left(80), expected[i].left(80))));
        }
    }

    void skippedDestinations() {
        for (const char* word : {"fonttbl", "colortbl", "footnote", "latentstyles", "xe"}) {
            QVERIFY2(IsSkippedDestination(QString::fromLatin1(word)), word);
            QVERIFY2(IsSkippedDestination(QByteArrayView(word)), word);
        }
        for (const char* word : {"b", "fonttb", "fonttbls", "fontxbl", "pica", "Info", ""}) {
            QVERIFY2(!IsSkippedDestination(QString::fromLatin1(word)), word);
            QVERIFY2(!IsSkippedDestination(QByteArrayView(word)), word);
        }
    }
};

QTEST_APPLESS_MAIN(TstTokenizer)
#include "tst_tokenizer.moc"
