#include "generalhelp.h"

#include "dao.h"
#include "generation/createrules.h"
#include "generation/textoutput.h"
#include "resources/strings.h"
#include "shell/ansi.h"
#include "workspace/filltemplate.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kActive = QStringLiteral("A");

// The fixed start of a footnote line for one mark: templates 566 and 567.
QString footnotePrefix(const QString& mark) {
    const QStringList values{QStringLiteral("|1"), mark};
    return FillTemplate(566, values) + FillTemplate(567, values);
}

// A field's text, or no value when it is null or empty.
bool presentText(const QVariant& value, QString& text) {
    if (value.isNull())
        return false;
    text = value.toString();
    return !text.isEmpty();
}

// Database refusals while writing a file are reported against that file.
template <class Fn> void readingDatabaseFor(const QString& fileName, Fn&& fn) {
    try {
        fn();
    } catch (const dao::EngineError& e) {
        throw GenerationError(fileName, QStringLiteral("reading the project failed (") + e.text() +
                                            QLatin1Char(')'));
    }
}

void writeGeneralTopics(AnsiLineFile& out, dao::Database& db) {
    const QString topicStart = LoadResString(565);
    const QString titleStart = LoadResString(568);
    const QString titleEnd = LoadResString(569);
    const QString textStart = LoadResString(570);
    const QString closing = QStringLiteral("}}}");
    // The footnotes in their order: context string, title, browse sequence, keywords.
    const QString fields[] = {QStringLiteral("TopicID"), QStringLiteral("TopicTitle"),
                              QStringLiteral("BrowseSeq"), QStringLiteral("Keywords")};
    const QString prefixes[] = {
        footnotePrefix(QStringLiteral("#")), footnotePrefix(QStringLiteral("$")),
        footnotePrefix(QStringLiteral("+")), footnotePrefix(QStringLiteral("K"))};
    constexpr int kTitle = 1;

    auto rs = db.OpenRecordset(
        SelectWhere(QStringLiteral("*"), LoadResString(251), LoadResString(264), kActive),
        dao::dbOpenSnapshot);
    QString value;
    while (!rs->EOF_()) {
        out.writeLine(topicStart);
        QVariant values[4];
        for (int i = 0; i < 4; ++i) {
            values[i] = rs->Field(fields[i]);
            if (presentText(values[i], value))
                out.writeLine({prefixes[i], value, closing});
        }
        out.writeLine(QStringLiteral("}"));
        out.writeLine({titleStart, values[kTitle].toString(), titleEnd});
        QString text = rs->Text(QStringLiteral("HelpText"));
        out.writeLine({textStart, SwapCR(text)});
        out.writeLine(QStringLiteral("\\page"));
        out.writeLine(QString());
        rs->MoveNext();
    }
}

void writeWhatsThisEntries(AnsiLineFile& out, dao::Database& db) {
    const QString prefix = footnotePrefix(QStringLiteral("#"));
    const QString textStart = LoadResString(570);
    const QString textEnd = LoadResString(569);
    auto rs = db.OpenRecordset(
        SelectWhere(QStringLiteral("*"), LoadResString(253), LoadResString(264), kActive),
        dao::dbOpenSnapshot);
    QString value;
    while (!rs->EOF_()) {
        if (presentText(rs->Field(QStringLiteral("TopicID")), value))
            out.writeLine({prefix, value, u"}}"});
        out.writeLine({textStart, rs->Text(QStringLiteral("HelpText")), textEnd});
        rs->MoveNext();
    }
}

void writeMapLines(AnsiLineFile& out, dao::Database& db, int query) {
    auto rs = db.OpenRecordset(LoadResString(query), dao::dbOpenSnapshot);
    while (!rs->EOF_()) {
        out.writeLine({rs->Text(QStringLiteral("topicid")), u"=",
                       QString::number(rs->Field(QStringLiteral("mapnumber")).toLongLong())});
        rs->MoveNext();
    }
}

} // namespace

void WriteRtfTopicFile(const QString& rtfFileName, dao::Database& db) {
    AnsiLineFile out(rtfFileName);
    out.writeLine(LoadResString(564));
    readingDatabaseFor(rtfFileName, [&] {
        writeGeneralTopics(out, db);
        writeWhatsThisEntries(out, db);
    });
    out.writeLine(QStringLiteral("}}"));
    out.commit();
}

void WriteHelpProjectFile(const CreateSettings& s, dao::Database& db) {
    const QString blank = QStringLiteral(" ");
    AnsiLineFile out(s.helpProjectFileName);
    for (int id : {800, 801, 802, 803, 804})
        out.writeLine(LoadResString(id));
    out.writeLine({LoadResString(805), s.helpProjectTitle});
    if (CreateSettings::ticked(s.createContentsFile))
        out.writeLine({LoadResString(806), s.contentsFileName});
    out.writeLine({LoadResString(807), s.helpFileName});
    out.writeLine(blank);
    out.writeLine(LoadResString(808));
    out.writeLine(s.rtfFileName);
    out.writeLine(blank);
    out.writeLine(LoadResString(816));
    readingDatabaseFor(s.helpProjectFileName, [&] {
        writeMapLines(out, db, 571);
        writeMapLines(out, db, 572);
    });
    out.writeLine(blank);
    out.writeLine(LoadResString(810));
    out.writeLine({LoadResString(811), u"\"\"", LoadResString(812)});
    out.writeLine(blank);
    out.writeLine(LoadResString(814));
    out.writeLine(LoadResString(815));
    out.commit();
}

bool UpdateVBProjectHelpFile(const QString& vbProjectFileName, const QString& helpFileName) {
    if (!QFileInfo(vbProjectFileName).isFile())
        return false;
    QFile in(vbProjectFileName);
    if (!in.open(QIODevice::ReadOnly))
        throw GenerationError(vbProjectFileName, QStringLiteral("the file could not be read (") +
                                                     in.errorString() + QLatin1Char(')'));
    const QByteArray content = in.readAll();
    in.close();

    const QByteArray key = ansi::fromUnicode(LoadResString(533));
    const QByteArray replacement = key + '"' + ansi::fromUnicode(helpFileName) + '"';
    AnsiLineFile out(vbProjectFileName);
    qsizetype from = 0;
    while (from < content.size()) {
        qsizetype end = content.indexOf('\n', from);
        const qsizetype next = end < 0 ? content.size() : end + 1;
        if (end < 0)
            end = content.size();
        if (end > from && content.at(end - 1) == '\r')
            --end;
        const QByteArray line = content.mid(from, end - from);
        out.writeLineBytes(line.startsWith(key) ? replacement : line);
        from = next;
    }
    out.commit();
    return true;
}

bool CreateGeneralHelp(const CreateSettings& s, dao::Database& db) {
    if (s.rtfFileName.isEmpty() || s.helpProjectFileName.isEmpty())
        return false;
    WriteRtfTopicFile(s.rtfFileName, db);
    WriteHelpProjectFile(s, db);
    if (CreateSettings::ticked(s.vbProject))
        UpdateVBProjectHelpFile(s.vbProjectFileName, s.helpFileName);
    return true;
}
