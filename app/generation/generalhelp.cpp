#include "generalhelp.h"

#include "appproject/qmtcodemod.h"
#include "codepage/ansi.h"
#include "dao.h"
#include "fileio/textoutput.h"
#include "generation/createchecks.h"
#include "generation/createrules.h"
#include "generation/helpfonts.h"
#include "generation/helpwindow.h"
#include "generation/htmlpages.h"
#include "resources/stringtable.h"
#include "workspace/filltemplate.h"
#include "workspace/textrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QString kActive = QStringLiteral("A");

// A title, keyword or heading as RTF text: its backslashes and braces
// stand for themselves.
QString rtfText(const QString& text) {
    if (!text.contains(u'\\') && !text.contains(u'{') && !text.contains(u'}'))
        return text;
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        if (c == u'\\' || c == u'{' || c == u'}')
            out += u'\\';
        out += c;
    }
    return out;
}

// The fixed start of a footnote line for one mark.
QString footnotePrefix(const QString& mark) {
    const QStringList values{QStringLiteral("|1"), mark};
    return FillTemplate(str::rtffile::FootnoteReference, values) +
           FillTemplate(str::rtffile::FootnoteMark, values);
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

// The active rows of a table, these fields in this order, read forwards one
// row at a time.
std::unique_ptr<dao::Recordset> activeRows(dao::Database& db, int table, const QString& fields) {
    return db.OpenRecordset(
        SelectWhere(fields, LoadResString(table), LoadResString(str::field::Status), kActive),
        dao::dbOpenForwardOnly);
}

// A map number as the map queries select it ("mapnumber > 0" in the store:
// a positive number, or any text, which the store ranks above numbers).
bool selectedForMap(const QVariant& stored) {
    switch (stored.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return false;
    case QMetaType::Int:
    case QMetaType::LongLong:
        return stored.toLongLong() > 0;
    case QMetaType::Double:
        return stored.toDouble() > 0;
    default:
        return true;
    }
}

} // namespace

GeneralHelpPaths GeneralHelpPathsFor(const CreateSettings& s) {
    const QDir dir = QFileInfo(s.helpProjectFileName).absoluteDir();
    const auto resolve = [&](const QString& name) -> QString {
        return name.isEmpty() ? QString() : QDir::cleanPath(dir.absoluteFilePath(name));
    };
    return {resolve(s.rtfFileName), resolve(s.contentsFileName), resolve(s.helpFileName)};
}

struct GeneralHelpSources::Files {
    Files(const GeneralHelpPaths& paths, const CreateSettings& s)
        : rtf(paths.rtf, fileio::Unencodable::RtfUnicode), hpj(s.helpProjectFileName) {}
    fileio::AnsiLineFile rtf;
    fileio::AnsiLineFile hpj;
};

namespace {

// The RTF topic file's parts, made once per run. Every group it opens it
// closes: each topic, and each What's This entry, is a topic of its own
// ended by \page.
struct RtfParts {
    QString topicStart = LoadResString(str::rtffile::TopicStart);
    QString titleStart = LoadResString(str::rtffile::TitleStart);
    QString paragraphsEnd = LoadResString(str::rtffile::ParagraphsEnd);
    QString textStart = LoadResString(str::rtffile::TextStart);
    QString footnotes[4] = {
        footnotePrefix(QStringLiteral("#")), footnotePrefix(QStringLiteral("$")),
        footnotePrefix(QStringLiteral("+")), footnotePrefix(QStringLiteral("K"))};
    const QString closing = QStringLiteral("}}}");
};

void writeHelpProjectHead(fileio::AnsiLineFile& out, const CreateSettings& s) {
    for (int id : {str::helpproject::OptionsSection, str::helpproject::Compress,
                   str::helpproject::Lcid, str::helpproject::Report, str::helpproject::Fts})
        out.writeLine(LoadResString(id));
    out.writeLine({LoadResString(str::helpproject::Title), s.helpProjectTitle});
    if (CreateSettings::ticked(s.createContentsFile))
        out.writeLine({LoadResString(str::helpproject::Contents), s.contentsFileName});
    out.writeLine({LoadResString(str::helpproject::HelpFile), s.helpFileName});
    out.writeLine(u" ");
    out.writeLine(LoadResString(str::helpproject::FilesSection));
    out.writeLine(s.rtfFileName);
    out.writeLine(u" ");
    out.writeLine(LoadResString(str::helpproject::MapSection));
}

void writeHelpProjectTail(fileio::AnsiLineFile& out, const CreateSettings& s) {
    out.writeLine(u" ");
    out.writeLine(LoadResString(str::helpproject::WindowsSection));
    out.writeLine(
        {LoadResString(str::helpproject::MainWindow), u"\"\"", HpjWindowPlacement(s.window)});
    out.writeLine(u" ");
    out.writeLine(LoadResString(str::helpproject::ConfigSection));
    out.writeLine(LoadResString(str::helpproject::BrowseButtons));
}

} // namespace

GeneralHelpSources::GeneralHelpSources(const CreateSettings& s, dao::Database& db)
    : m_files(std::make_unique<Files>(GeneralHelpPathsFor(s), s)) {
    fileio::AnsiLineFile& rtf = m_files->rtf;
    fileio::AnsiLineFile& hpj = m_files->hpj;
    const RtfParts parts;
    // The fonts and colours help texts may name: the options' lists, else
    // the header as topic files always had it.
    const HelpFonts fonts = HelpFontsOf(s, &m_warnings);
    if (fonts.standard)
        rtf.writeLine(LoadResString(str::rtffile::Header));
    else
        rtf.writeLine({QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720"),
                       RtfFontAndColorTables(fonts)});
    writeHelpProjectHead(hpj, s);

    const auto mapLine = [&](const QString& topicId, const QVariant& stored) {
        if (!selectedForMap(stored))
            return;
        const auto number = textrules::StoredMapNumber(stored);
        if (!number)
            m_mapFailures << textrules::BadMapNumberMessage(u"topic " + topicId, stored);
        else if (*number != 0) // a number stored as text passes the query's "> 0"
            hpj.writeLine({topicId, u"=", QString::number(*number)});
    };
    const auto topicEnd = [&] {
        rtf.writeLine(u"\\page");
        rtf.writeLine(QString());
    };

    LinkCheck links;
    readingDatabaseFor(rtf.fileName(), [&] {
        auto rs = activeRows(db, str::table::GeneralHelp,
                             QStringLiteral("TopicID, TopicTitle, BrowseSeq, Keywords, HelpText, "
                                            "MapNumber, TopicHeader"));
        TopicTexts t;
        for (; !rs->EOF_(); rs->MoveNext()) {
            t = {rs->TextAt(0), rs->TextAt(1), rs->TextAt(2), rs->TextAt(3), rs->TextAt(4)};
            CheckTopicTexts(t, m_problems);
            CheckHelpTextCodesOf(
                t.text, [&]() -> QString { return u"topic " + t.id; }, m_warnings);
            links.topic(t.id, t.text);
            if (!m_problems.isEmpty())
                continue; // the files will not be kept: only the checks go on
            // The footnotes in their order: context string, title, browse
            // sequence, keywords; an empty or missing field has none.
            rtf.writeLine(parts.topicStart);
            const QString* values[] = {&t.id, &t.title, &t.browse, &t.keywords};
            for (int i = 0; i < 4; ++i)
                if (!values[i]->isEmpty())
                    rtf.writeLine({parts.footnotes[i], rtfText(*values[i]), parts.closing});
            rtf.writeLine(u"}");
            // The heading, as in the pages and the preview, stays put as the text scrolls.
            rtf.writeLine({parts.titleStart, rtfText(TopicHeading(t.title, rs->TextAt(6))),
                           parts.paragraphsEnd});
            rtf.writeLine({parts.textStart, SwapCR(t.text), u"}"});
            topicEnd();
            mapLine(t.id, rs->FieldAt(5));
        }
        rs = activeRows(db, str::table::WhatsThis,
                        QStringLiteral("Object, TopicID, HelpText, MapNumber"));
        WhatsThisTexts w;
        for (; !rs->EOF_(); rs->MoveNext()) {
            w = {rs->TextAt(0), rs->TextAt(1), rs->TextAt(2)};
            CheckWhatsThisTexts(w, m_problems);
            CheckHelpTextCodesOf(
                w.text, [&]() -> QString { return u"the What's This entry " + w.object; },
                m_warnings);
            links.whatsThis(w.object, w.id, w.text);
            if (!m_problems.isEmpty())
                continue;
            rtf.writeLine(parts.topicStart);
            if (!w.id.isEmpty())
                rtf.writeLine({parts.footnotes[0], w.id, parts.closing});
            rtf.writeLine(u"}");
            rtf.writeLine({parts.textStart, w.text, parts.paragraphsEnd});
            topicEnd();
            mapLine(w.id, rs->FieldAt(3));
        }
    });
    m_warnings += links.warnings();
    rtf.writeLine(u"}");
    writeHelpProjectTail(hpj, s);
}

GeneralHelpSources::~GeneralHelpSources() = default;

void GeneralHelpSources::commit(CreateReport& report) {
    m_files->rtf.commit();
    report.written << m_files->rtf.fileName();
    m_files->hpj.commit();
    report.written << m_files->hpj.fileName();
    for (const QString& failure : std::as_const(m_mapFailures))
        report.fail(failure);
}

QString HelpFileForVbProject(const CreateSettings& s) {
    const QString& typed = s.helpFileName;
    static const QRegularExpression windowsPath(QStringLiteral("^[A-Za-z]:[\\\\/]"));
    if (typed.contains(u'\\') || windowsPath.match(typed).hasMatch() || !typed.contains(u'/'))
        return typed;
    const QDir vbpDir = QFileInfo(s.vbProjectFileName).absoluteDir();
    QString relative = vbpDir.relativeFilePath(GeneralHelpPathsFor(s).helpFile);
    return relative.replace(u'/', u'\\');
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

std::unique_ptr<GeneralHelpSources> PrepareGeneralHelp(const CreateSettings& s, dao::Database& db,
                                                       CreateReport& report) {
    const auto missing = [&](int label) {
        report.fail(QStringLiteral("The general help file was not written: the %1 is empty.")
                        .arg(LoadResString(label)));
        return nullptr;
    };
    if (s.rtfFileName.isEmpty())
        return missing(str::caption::RtfFileName);
    if (s.helpProjectFileName.isEmpty())
        return missing(str::caption::HelpProjectFileName);
    return std::make_unique<GeneralHelpSources>(s, db);
}

void FinishGeneralHelp(GeneralHelpSources& sources, const CreateSettings& s, CreateReport& report) {
    sources.commit(report);
    if (!CreateSettings::ticked(s.vbProject))
        return;
    if (UpdateVBProjectHelpFile(s.vbProjectFileName, HelpFileForVbProject(s))) {
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

void CreateGeneralHelp(const CreateSettings& s, dao::Database& db, CreateReport& report) {
    const std::unique_ptr<GeneralHelpSources> sources = PrepareGeneralHelp(s, db, report);
    if (!sources)
        return;
    for (const QString& problem : sources->problems())
        report.fail(problem);
    if (!sources->problems().isEmpty())
        return; // nothing is written
    for (const QString& warning : sources->warnings())
        report.warn(warning);
    FinishGeneralHelp(*sources, s, report);
}
