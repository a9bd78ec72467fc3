// The general help sources: the RTF topic file, the help project file and the
// HelpFile line of the application project file.
#pragma once

#include "generation/createreport.h"
#include "workspace/createsettings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <memory>

namespace dao {
class Database;
}

// Where the Windows Help files of a run are: a relative RTF, contents or help
// file name is taken from the help project's folder, as the help compiler
// takes it. Empty names stay empty.
struct GeneralHelpPaths {
    QString rtf;
    QString contents;
    QString helpFile;
};
GeneralHelpPaths GeneralHelpPathsFor(const CreateSettings& settings);

// The RTF topic file and the help project file, made from one reading of the
// active topics and What's This entries. Each row is read once: its texts are
// checked, written into the RTF topic file and its map number into the help
// project file, both still work files. Nothing replaces a user's file before
// commit(). Throws fileio::FileWriteError naming the file and what failed.
class GeneralHelpSources {
public:
    GeneralHelpSources(const CreateSettings& settings, dao::Database& db);
    ~GeneralHelpSources();
    GeneralHelpSources(const GeneralHelpSources&) = delete;
    GeneralHelpSources& operator=(const GeneralHelpSources&) = delete;

    // Texts that cannot be written (see CheckTopicTexts): when there is one,
    // the run stops and the work files are dropped with this object.
    const QStringList& problems() const { return m_problems; }
    // Help texts whose RTF codes the help file will not show as typed.
    const QStringList& warnings() const { return m_warnings; }

    // Renames the RTF topic file, then the help project file over their
    // targets, adds them to `report.written` and reports the map numbers
    // that were left out.
    void commit(CreateReport& report);

private:
    struct Files;
    std::unique_ptr<Files> m_files;
    QStringList m_problems;
    QStringList m_warnings;
    QStringList m_mapFailures;
};

// RTF file, help project file and, when asked, the application project's
// HelpFile line, in this order. When the RTF or the help project file name is
// empty, or the application project file is missing, that output is not
// written and `report` says so; a text that cannot be written is reported and
// no file is touched. Throws fileio::FileWriteError naming the file and what
// failed.
void CreateGeneralHelp(const CreateSettings& settings, dao::Database& db, CreateReport& report);

// The steps of CreateGeneralHelp, for a caller that checks more before it
// writes: the sources in their work files (none, and a failure in `report`,
// when a file name is missing), then the files committed and the HelpFile line.
std::unique_ptr<GeneralHelpSources> PrepareGeneralHelp(const CreateSettings& settings,
                                                       dao::Database& db, CreateReport& report);
void FinishGeneralHelp(GeneralHelpSources& sources, const CreateSettings& settings,
                       CreateReport& report);

// The value of the application project's HelpFile line: what the author
// typed when it is a Windows path (C:\..., \\server\..., any backslash) or a
// bare name; otherwise the help file's place relative to the application
// project's folder, with backslashes, as the program reads it on Windows.
QString HelpFileForVbProject(const CreateSettings& settings);

// The application project file `vbp` with every line that begins exactly with
// "HelpFile=" replaced by HelpFile="<help file>"; other lines keep their
// bytes, the file keeps its line ends (LF when every line ends in LF, else
// CR LF) and a byte-order mark.
QByteArray WithHelpFileLine(QByteArrayView vbp, const QString& helpFileName);

// Whether the application project file has a line beginning "HelpFile=".
bool HasHelpFileLine(QByteArrayView vbp);

// Replaces every line beginning exactly with "HelpFile=" by
// HelpFile="<help file>"; other lines are copied byte for byte. Returns false
// (and touches nothing) when the project file does not exist.
bool UpdateVBProjectHelpFile(const QString& vbProjectFileName, const QString& helpFileName);
