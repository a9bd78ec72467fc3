// Rules of the Create tab that do not need a window: file-name routines, the
// automatic file names, the help-type extensions and the enabling rule.
#pragma once

#include "workspace/createsettings.h"

#include <QString>

// The name up to and including its last full stop, then `strnewextension`;
// a name without a full stop gives the extension alone. The search does not
// stop at a folder separator.
QString ChangeFileExtension(const QString& strfilename, const QString& strnewextension);

// The text before the last full stop when that full stop is the third
// character or later; otherwise an empty text.
QString RemoveFileExtension(const QString& strfullfilename);

// Every CR becomes "\par"; the LF after it stays. The argument holds the
// result as well.
QString SwapCR(QString& strtext);

// The extensions of the help project, help and contents files for a help type.
struct HelpTypeExtensions {
    QString helpProject, helpFile, contentsFile;
};
HelpTypeExtensions ExtensionsFor(HelpType type);

// Gives the help project, help and contents names the extensions of `type`.
// An extension that already matches (in any letter case) keeps the author's
// letters; a new one follows the case of the old one. An empty help or
// contents name is derived from the help project name, or stays empty.
void ApplyHelpTypeExtensions(CreateSettings& settings, HelpType type);

// Windows Help only: fills each empty help, contents and RTF name from the help
// project name without its extension; names that hold text stay.
void FillAutomaticFileNames(CreateSettings& settings);

// The names a Create tab without a help project name offers for a help
// type, from the project file's name ("Demo.QMT": Demo.hpj or Demo.hhp, the
// title Demo, then the help, contents, RTF and index names from it). Names
// that hold text stay; with a help project name nothing changes. The names
// are bare: they are taken beside the project file (SettingsBesideProject).
void FillDefaultNames(CreateSettings& settings, HelpType type, const QString& projectPath);

// The settings as Create and the window use them: a help project name
// without a folder, or with a relative one, is taken beside the project file
// (the other outputs go beside the help project, GeneralHelpPathsFor).
// Without a project file it stays.
CreateSettings SettingsBesideProject(CreateSettings settings, const QString& projectPath);

// The help file Create makes, where it makes it: for View Help File.
QString HelpFileToView(const CreateSettings& settings);

// Whether OK and Create are enabled on the Create tab.
bool CreateTabEnabled(const CreateSettings& settings);

// Why Create is disabled, for a reader who cannot see the tab (empty when enabled).
QString CreateDisabledReason(const CreateSettings& settings);
