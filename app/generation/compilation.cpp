#include "compilation.h"

#include "components/components.h"
#include "components/interfaces.h"
#include "resources/stringtable.h"
#include "winreg/winreg.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <cstdint>

namespace {

// How an author gets a compiler that Quillmate can start.
QString registerHint() {
    return QStringLiteral("To use a help compiler, register it, e.g.: qmt-reg add \"HKLM\\%1\" "
                          "/ve /d /path/to/compiler")
        .arg(LoadResString(str::registry::AppPathsPath) + u'\\' +
             LoadResString(str::program::HelpCompiler));
}

// The look-up's message, naming the settings file when it is damaged (the
// registry reports that as an ordinary failure to open or read).
QString lookUpMessage(int message, std::int32_t status) {
    QString text = LoadResString(message);
    if (status == winreg::ERROR_REGISTRY_CORRUPT)
        text += QStringLiteral("\nThe settings file %1 is damaged; Quillmate leaves it alone.")
                    .arg(QDir::toNativeSeparators(winreg::damagedHivePath()));
    return text + u'\n' + registerHint();
}

// Why a registered compiler did not start.
QString startFailure(const QString& compiler, const QString& error) {
    const QFileInfo info(compiler);
    QString why = error;
    if (!info.exists())
        why = QStringLiteral("the file does not exist");
    else if (info.isDir())
        why = QStringLiteral("it is a folder");
    else if (!info.isExecutable())
        why = QStringLiteral("the file is not executable");
    return LoadResString(str::message::CompileFailed) +
           QStringLiteral("\nThe help compiler %1 could not be started: %2.\n")
               .arg(QDir::toNativeSeparators(compiler), why) +
           registerHint();
}

// The look-up with the registry's status of the step that failed.
int lookUp(QString& strcompilerpath, std::int32_t& status) {
    strcompilerpath.clear();
    components::Component<IRegistryFunctions> reg(QStringLiteral("KRVRegF.RegistryFunctions"));
    std::int32_t key = static_cast<std::int32_t>(winreg::HKEY_LOCAL_MACHINE);
    QString subkey = LoadResString(str::registry::AppPathsPath);
    QString keyClass = LoadResString(str::registry::AppPathsClass);
    std::int32_t access = 0x2003F;
    QString createFlag = QStringLiteral("N");
    std::int32_t handle = 0;
    status = reg->KRVOpenRegKey(key, subkey, keyClass, access, createFlag, handle);
    if (status != 0)
        return str::message::CompilerNotLoadedProperly;
    QString compilerKey = LoadResString(str::program::HelpCompiler);
    QString path;
    status = reg->KRVQueryRegValue(handle, compilerKey, path, createFlag);
    reg->KRVCloseRegKey(handle);
    if (status != 0 || path.isEmpty())
        return str::message::CompilerNotLoaded;
    strcompilerpath = path;
    return 0;
}

} // namespace

int LookUpHelpCompiler(QString& strcompilerpath) {
    std::int32_t status = 0;
    return lookUp(strcompilerpath, status);
}

QString BuiltInHelpCompiler() {
    const QString name = QStringLiteral("/qmt-hc");
    QStringList candidates{QCoreApplication::applicationDirPath() + name};
    const QString buildDir = qEnvironmentVariable("QUILLMATE_BUILD_DIR");
    if (!buildDir.isEmpty())
        candidates << buildDir + QStringLiteral("/bin") + name;
    for (const QString& path : candidates)
        if (QFileInfo(path).isExecutable())
            return path;
    return {};
}

QStringList HelpCompilerArguments(const QString& helpProjectFileName) {
    // The switches stand between blanks: " /c /e /m ".
    QStringList args = LoadResString(str::program::HelpCompilerSwitches)
                           .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    args << helpProjectFileName;
    return args;
}

CompileResult CompileHelpProject(const QString& helpProjectFileName, CompileWait wait) {
    CompileResult result;
    std::int32_t status = 0;
    if (const int message = lookUp(result.compiler, status)) {
        // Nothing registered: the built-in compiler, unless the settings are damaged.
        if (status != winreg::ERROR_REGISTRY_CORRUPT)
            result.compiler = BuiltInHelpCompiler();
        if (result.compiler.isEmpty()) {
            result.message = lookUpMessage(message, status);
            return result;
        }
        result.builtIn = true;
    }
    const QStringList args = HelpCompilerArguments(helpProjectFileName);
    const bool waited = wait == CompileWait::UntilFinished ||
                        (wait == CompileWait::BuiltInFinished && result.builtIn);
    QString error;
    if (!waited) {
        result.started = QProcess::startDetached(result.compiler, args);
    } else {
        QProcess process;
        process.setProcessChannelMode(wait == CompileWait::UntilFinished
                                          ? QProcess::ForwardedChannels
                                          : QProcess::MergedChannels);
        process.start(result.compiler, args);
        result.started = process.waitForStarted(-1);
        error = process.errorString();
        if (result.started) {
            process.waitForFinished(-1);
            result.finished = true;
            result.output = QString::fromLocal8Bit(process.readAll()).trimmed();
            result.exitCode =
                process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
            if (result.exitCode != 0)
                result.message =
                    QStringLiteral("The help compiler ended with status %1.").arg(result.exitCode);
        }
    }
    if (!result.started)
        result.message = startFailure(result.compiler, error);
    return result;
}

QString DescribeCompile(const CompileResult& r) {
    const QString compiler = QDir::toNativeSeparators(r.compiler);
    QString text;
    if (!r.succeeded())
        text = QStringLiteral("The help file was not compiled.");
    else if (!r.finished)
        text = QStringLiteral("The help compiler %1 was started; its own window shows how it "
                              "goes.")
                   .arg(compiler);
    else
        text = QStringLiteral("The help compiler %1%2 compiled the help file.")
                   .arg(compiler, r.builtIn ? QStringLiteral(" (Quillmate's own)") : QString());
    if (!r.output.isEmpty())
        text += QStringLiteral("\nIt reported:\n") + r.output;
    return text;
}
