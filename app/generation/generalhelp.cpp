#include "generalhelp.h"

#include "appproject/qmtcodemod.h"
#include "codepage/ansi.h"
#include "dao.h"
#include "fileio/textoutput.h"
#include "generation/createrules.h"
#include "generation/helpwindow.h"
#include "resources/stringtable.h"
#include "workspace/filltemplate.h"
#include "workspace/textrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using fileio::AnsiLineFile;

namespace {

const QString kActive = QStringLiteral("A");

// The fixed start of a footnote line for one mark.
QString footnotePrefix(const QString& mark) {
    const QStringList values{QStringLiteral("|1"), mark};
    return FillTemplate(str::rtffile::FootnoteReference, values) +
           FillTemplate(str::rtffile::FootnoteMark, values);
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
        throw fileio::FileWriteError(fileName, QStringLiteral("reading the project failed (") +
                                                   e.text() + QLatin1Char(')'));
    }
}

void writeGeneralTopics(AnsiLineFile& out, dao::Database& db) {
    const QString topicStart = LoadResString(str::rtffile::TopicStart);
    const QString titleStart = LoadResString(str::rtffile::TitleStart);
    const QString titleEnd = LoadResString(str::rtffile::ParagraphsEnd);
    const QString textStart = LoadResString(str::rtffile::TextStart);
    const QString closing = QStringLiteral("}}}");
    // The footnotes in their order: context string, title, browse sequence, keywords.
    const QString fields[] = {QStringLiteral("TopicID"), QStringLiteral("TopicTitle"),
                              QStringLiteral("BrowseSeq"), QStringLiteral("Keywords")};
    const QString prefixes[] = {
        footnotePrefix(QStringLiteral("#")), footnotePrefix(QStringLiteral("$")),
        footnotePrefix(QStringLiteral("+")), footnotePrefix(QStringLiteral("K"))};
    constexpr int kTitle = 1;

    auto rs =
        db.OpenRecordset(SelectWhere(QStringLiteral("*"), LoadResString(str::table::GeneralHelp),
                                     LoadResString(str::field::Status), kActive),
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
    const QString textStart = LoadResString(str::rtffile::TextStart);
    const QString textEnd = LoadResString(str::rtffile::ParagraphsEnd);
    auto rs =
        db.OpenRecordset(SelectWhere(QStringLiteral("*"), LoadResString(str::table::WhatsThis),
                                     LoadResString(str::field::Status), kActive),
                         dao::dbOpenSnapshot);
    QString value;
    while (!rs->EOF_()) {
        if (presentText(rs->Field(QStringLiteral("TopicID")), value))
            out.writeLine({prefix, value, u"}}"});
        out.writeLine({textStart, rs->Text(QStringLiteral("HelpText")), textEnd});
        rs->MoveNext();
    }
}

void writeMapLines(AnsiLineFile& out, dao::Database& db, int query, CreateReport& report) {
    auto rs = db.OpenRecordset(LoadResString(query), dao::dbOpenSnapshot);
    for (; !rs->EOF_(); rs->MoveNext()) {
        const QString topicId = rs->Text(QStringLiteral("topicid"));
        const QVariant stored = rs->Field(QStringLiteral("mapnumber"));
        const auto number = textrules::StoredMapNumber(stored);
        if (!number) {
            report.fail(textrules::BadMapNumberMessage(u"topic " + topicId, stored));
            continue;
        }
        if (*number == 0)
            continue; // a number stored as text passes the query's "> 0"
        out.writeLine({topicId, u"=", QString::number(*number)});
    }
}

} // namespace

void WriteRtfTopicFile(const QString& rtfFileName, dao::Database& db) {
    AnsiLineFile out(rtfFileName, fileio::Unencodable::RtfUnicode);
    out.writeLine(LoadResString(str::rtffile::Header));
    readingDatabaseFor(rtfFileName, [&] {
        writeGeneralTopics(out, db);
        writeWhatsThisEntries(out, db);
    });
    out.writeLine(QStringLiteral("}}"));
    out.commit();
}

void WriteHelpProjectFile(const CreateSettings& s, dao::Database& db, CreateReport& report) {
    const QString blank = QStringLiteral(" ");
    AnsiLineFile out(s.helpProjectFileName);
    for (int id : {str::helpproject::OptionsSection, str::helpproject::Compress,
                   str::helpproject::Lcid, str::helpproject::Report, str::helpproject::Fts})
        out.writeLine(LoadResString(id));
    out.writeLine({LoadResString(str::helpproject::Title), s.helpProjectTitle});
    if (CreateSettings::ticked(s.createContentsFile))
        out.writeLine({LoadResString(str::helpproject::Contents), s.contentsFileName});
    out.writeLine({LoadResString(str::helpproject::HelpFile), s.helpFileName});
    out.writeLine(blank);
    out.writeLine(LoadResString(str::helpproject::FilesSection));
    out.writeLine(s.rtfFileName);
    out.writeLine(blank);
    out.writeLine(LoadResString(str::helpproject::MapSection));
    readingDatabaseFor(s.helpProjectFileName, [&] {
        writeMapLines(out, db, str::sql::GeneralHelpMapNumbers, report);
        writeMapLines(out, db, str::sql::WhatsThisMapNumbers, report);
    });
    out.writeLine(blank);
    out.writeLine(LoadResString(str::helpproject::WindowsSection));
    out.writeLine(
        {LoadResString(str::helpproject::MainWindow), u"\"\"", HpjWindowPlacement(s.window)});
    out.writeLine(blank);
    out.writeLine(LoadResString(str::helpproject::ConfigSection));
    out.writeLine(LoadResString(str::helpproject::BrowseButtons));
    out.commit();
}

QByteArray WithHelpFileLine(QByteArrayView vbp, const QString& helpFileName) {
    const QByteArray key = ansi::fromUnicode(LoadResString(str::vb::HelpFileKey));
    const QByteArray replacement = key + '"' + ansi::fromUnicode(helpFileName) + '"';
    const std::string_view bytes(vbp.data(), static_cast<std::size_t>(vbp.size()));
    const QByteArray lineEnd = QMTCOdeMod::LineEndOf(bytes);
    QByteArray out;
    out.reserve(vbp.size() + replacement.size());
    bool first = true;
    QMTCOdeMod::ForEachLine(bytes, [&](std::string_view line, std::size_t) {
        // A byte-order mark before the first line stays; the line behind it is examined.
        const std::string_view bom = first ? QMTCOdeMod::ByteOrderMark(line) : std::string_view();
        first = false;
        const std::string_view text = line.substr(bom.size());
        out.append(bom.data(), static_cast<qsizetype>(bom.size()));
        if (text.substr(0, static_cast<std::size_t>(key.size())) == QMTCOdeMod::view(key))
            out.append(replacement);
        else
            out.append(text.data(), static_cast<qsizetype>(text.size()));
        out.append(lineEnd);
    });
    return out;
}

bool UpdateVBProjectHelpFile(const QString& vbProjectFileName, const QString& helpFileName) {
    if (!QFileInfo(vbProjectFileName).isFile())
        return false;
    QFile in(vbProjectFileName);
    if (!in.open(QIODevice::ReadOnly))
        throw fileio::FileWriteError(vbProjectFileName,
                                     QStringLiteral("could not be read: ") + in.errorString());
    const QByteArray content = in.readAll();
    in.close();
    const QByteArray updated = WithHelpFileLine(content, helpFileName);
    if (updated != content) // an unchanged file keeps its time
        fileio::SaveBytes(vbProjectFileName, updated);
    return true;
}

bool HasHelpFileLine(QByteArrayView vbp) {
    const QByteArray key = ansi::fromUnicode(LoadResString(str::vb::HelpFileKey));
    bool found = false;
    bool first = true;
    QMTCOdeMod::ForEachLine({vbp.data(), static_cast<std::size_t>(vbp.size())},
                            [&](std::string_view line, std::size_t) {
                                if (first)
                                    line.remove_prefix(QMTCOdeMod::ByteOrderMark(line).size());
                                first = false;
                                found = found || line.starts_with(QMTCOdeMod::view(key));
                            });
    return found;
}

void CreateGeneralHelp(const CreateSettings& s, dao::Database& db, CreateReport& report) {
    const auto missing = [&](int label) {
        report.fail(QStringLiteral("The general help file was not written: the %1 is empty.")
                        .arg(LoadResString(label)));
    };
    if (s.rtfFileName.isEmpty())
        return missing(str::caption::RtfFileName);
    if (s.helpProjectFileName.isEmpty())
        return missing(str::caption::HelpProjectFileName);
    WriteRtfTopicFile(s.rtfFileName, db);
    report.written << s.rtfFileName;
    WriteHelpProjectFile(s, db, report);
    report.written << s.helpProjectFileName;
    if (!CreateSettings::ticked(s.vbProject))
        return;
    if (UpdateVBProjectHelpFile(s.vbProjectFileName, s.helpFileName)) {
        report.written << s.vbProjectFileName;
        QFile vbp(s.vbProjectFileName);
        if (vbp.open(QIODevice::ReadOnly) && !HasHelpFileLine(vbp.readAll()))
            report.warn(QStringLiteral("The Visual Basic project file %1 has no HelpFile line, so "
                                       "it names no help file; add HelpFile=\"\" to it once and "
                                       "Create will keep it up to date.")
                            .arg(QDir::toNativeSeparators(s.vbProjectFileName)));
    } else
        report.fail(QStringLiteral("The HelpFile line was not written: the Visual Basic project "
                                   "file %1 does not exist.")
                        .arg(QDir::toNativeSeparators(s.vbProjectFileName)));
}
