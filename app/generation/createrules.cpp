#include "createrules.h"

#include "generalhelp.h"
#include "htmlhelp.h"
#include "workspace/checkforok.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

QString ChangeFileExtension(const QString& strfilename, const QString& strnewextension) {
    const qsizetype dot = strfilename.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return strnewextension;
    return strfilename.left(dot + 1) + strnewextension;
}

QString RemoveFileExtension(const QString& strfullfilename) {
    const qsizetype dot = strfullfilename.lastIndexOf(QLatin1Char('.'));
    return dot >= 2 ? strfullfilename.left(dot) : QString();
}

QString SwapCR(QString& strtext) {
    // Every line end is a paragraph: CR LF, CR, and LF alone as some editors
    // and imports leave it.
    if (!strtext.contains(u'\n')) {
        strtext.replace(QLatin1Char('\r'), QStringLiteral("\\par"));
        return strtext;
    }
    strtext.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    strtext.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    strtext.replace(QLatin1Char('\n'), QStringLiteral("\\par\n"));
    return strtext;
}

HelpTypeExtensions ExtensionsFor(HelpType type) {
    if (type == HelpType::WindowsHelp)
        return {QStringLiteral("HPJ"), QStringLiteral("HLP"), QStringLiteral("CNT")};
    return {QStringLiteral("HHP"), QStringLiteral("CHM"), QStringLiteral("HHC")};
}

namespace {

// `name` with the extension `extension`, keeping the letters the author typed
// when the extension already matches, and the case of the old extension
// otherwise (lower-case stays lower-case; anything else becomes upper-case).
QString withExtension(const QString& name, const QString& extension) {
    const qsizetype dot = name.lastIndexOf(u'.');
    const qsizetype slash = qMax(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    const QString old = dot > slash ? name.mid(dot + 1) : QString();
    if (old.compare(extension, Qt::CaseInsensitive) == 0)
        return name;
    const bool lower = !old.isEmpty() && old == old.toLower();
    const QString ext = lower ? extension.toLower() : extension.toUpper();
    return (dot > slash ? name.left(dot + 1) : name + u'.') + ext;
}

} // namespace

void ApplyHelpTypeExtensions(CreateSettings& settings, HelpType type) {
    const HelpTypeExtensions ext = ExtensionsFor(type);
    // Empty names stay empty unless the help project file names them.
    if (!settings.helpProjectFileName.isEmpty())
        settings.helpProjectFileName = withExtension(settings.helpProjectFileName, ext.helpProject);
    const QString& project = settings.helpProjectFileName;
    const QString base = RemoveFileExtension(project);
    const bool lower = project.endsWith(ext.helpProject.toLower());
    for (auto [name, extension] : {std::pair{&settings.helpFileName, ext.helpFile},
                                   std::pair{&settings.contentsFileName, ext.contentsFile}}) {
        if (!name->isEmpty())
            *name = withExtension(*name, extension);
        else if (!base.isEmpty())
            *name = base + u'.' + (lower ? extension.toLower() : extension);
    }
}

void FillDefaultNames(CreateSettings& s, HelpType type, const QString& projectPath) {
    const QString base = QFileInfo(projectPath).completeBaseName();
    if (base.isEmpty() || type == HelpType::None || !s.helpProjectFileName.isEmpty())
        return; // names the author chose lead
    const HelpTypeExtensions ext = ExtensionsFor(type);
    s.helpProjectFileName = base + u'.' + ext.helpProject.toLower();
    if (s.helpProjectTitle.isEmpty())
        s.helpProjectTitle = base;
    if (s.helpFileName.isEmpty())
        s.helpFileName = base + u'.' + ext.helpFile.toLower();
    if (s.contentsFileName.isEmpty())
        s.contentsFileName = base + u'.' + ext.contentsFile.toLower();
    if (type == HelpType::WindowsHelp && s.rtfFileName.isEmpty())
        s.rtfFileName = base + QStringLiteral(".rtf");
    if (type == HelpType::HtmlHelp && s.indexFileName.isEmpty())
        s.indexFileName = base + QStringLiteral(".hhk");
}

CreateSettings SettingsBesideProject(CreateSettings s, const QString& projectPath) {
    if (projectPath.isEmpty())
        return s;
    const QDir dir = QFileInfo(projectPath).absoluteDir();
    if (!s.helpProjectFileName.isEmpty() && QFileInfo(s.helpProjectFileName).isRelative())
        s.helpProjectFileName = QDir::cleanPath(dir.absoluteFilePath(s.helpProjectFileName));
    return s;
}

QString HelpFileToView(const CreateSettings& s) {
    if (s.helpFileName.isEmpty())
        return {};
    return s.htmlHelp() ? HtmlHelpPathsFor(s).compiled : GeneralHelpPathsFor(s).helpFile;
}

void FillAutomaticFileNames(CreateSettings& settings) {
    if (!settings.windowsHelp())
        return;
    const QString base = RemoveFileExtension(settings.helpProjectFileName);
    if (settings.helpFileName.isEmpty())
        settings.helpFileName = base + QStringLiteral(".hlp");
    if (settings.contentsFileName.isEmpty())
        settings.contentsFileName = base + QStringLiteral(".cnt");
    if (settings.rtfFileName.isEmpty())
        settings.rtfFileName = base + QStringLiteral(".rtf");
}

namespace {

// The names the general help needs that are still empty.
QStringList missingGeneralHelpNames(const CreateSettings& s) {
    QStringList missing;
    if (s.helpProjectTitle.isEmpty())
        missing << QStringLiteral("help project title");
    if (s.helpFileName.isEmpty())
        missing << QStringLiteral("help file name");
    if (s.rtfFileName.isEmpty())
        missing << QStringLiteral("RTF file name");
    if (s.helpProjectFileName.isEmpty())
        missing << QStringLiteral("help project file name");
    if (CreateSettings::ticked(s.createContentsFile) && s.contentsFileName.isEmpty())
        missing << QStringLiteral("contents file name");
    return missing;
}

QStringList missingHtmlHelpNames(const CreateSettings& s) {
    QStringList missing;
    if (s.helpProjectFileName.isEmpty())
        missing << QStringLiteral("help project file name");
    if (s.helpFileName.isEmpty())
        missing << QStringLiteral("help file name");
    if (s.contentsFileName.isEmpty())
        missing << QStringLiteral("contents file name");
    if (s.indexFileName.isEmpty())
        missing << QStringLiteral("index file name");
    return missing;
}

// Contents file or context-sensitive help without general help blocks Create.
bool blockedWithoutGeneralHelp(const CreateSettings& s) {
    return s.createGeneralHelp == 0 && (CreateSettings::ticked(s.createContentsFile) ||
                                        CreateSettings::ticked(s.createContextSensitiveHelp));
}

} // namespace

bool CreateTabEnabled(const CreateSettings& s) {
    return records::CheckCreate(s).create.value_or(false);
}

QString CreateDisabledReason(const CreateSettings& s) {
    if (CreateTabEnabled(s))
        return {};
    if (s.helpType == HelpType::None)
        return QStringLiteral("Choose HTML Help or Windows Help.");
    if (!s.windowsHelp())
        return QStringLiteral("HTML Help needs these names: ") +
               missingHtmlHelpNames(s).join(QStringLiteral(", ")) + QLatin1Char('.');
    if (blockedWithoutGeneralHelp(s))
        return QStringLiteral("The contents file and context-sensitive help need the general "
                              "help file to be ticked as well.");
    if (CreateSettings::ticked(s.createGeneralHelp))
        return QStringLiteral("The general help file needs these names: ") +
               missingGeneralHelpNames(s).join(QStringLiteral(", ")) + QLatin1Char('.');
    if (CreateSettings::ticked(s.createToolTips))
        return QStringLiteral("Tool tips need the application project file name.");
    return QStringLiteral("Nothing to create: tick the general help file or tool tips.");
}
