// The RTF tokenizer: tokens as strings (next) and as views into Unicode text
// and into bytes (nextView), which split text at line ends.
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
