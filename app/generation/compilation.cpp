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

// The look-up's message, naming the settings file when it is damaged (the
// registry reports that as an ordinary failure to open or read).
QString lookUpMessage(int message, std::int32_t status) {
    QString text = LoadResString(message);
    if (status == winreg::ERROR_REGISTRY_CORRUPT)
        text += QStringLiteral("\nThe settings file %1 is damaged; Quillmate leaves it alone.")
                    .arg(QDir::toNativeSeparators(winreg::damagedHivePath()));
    return text;
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
           QStringLiteral("\nThe help compiler %1 could not be started: %2.")
               .arg(QDir::toNativeSeparators(compiler), why);
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
    QString compiler;
    std::int32_t status = 0;
    if (const int message = lookUp(compiler, status)) {
        // Nothing registered: the built-in compiler, unless the settings are damaged.
        if (status != winreg::ERROR_REGISTRY_CORRUPT)
            compiler = BuiltInHelpCompiler();
        if (compiler.isEmpty()) {
            result.message = lookUpMessage(message, status);
            return result;
        }
    }
    const QStringList args = HelpCompilerArguments(helpProjectFileName);
    QString error;
    if (wait == CompileWait::Detached) {
        result.started = QProcess::startDetached(compiler, args);
    } else {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(compiler, args);
        result.started = process.waitForStarted(-1);
        error = process.errorString();
        if (result.started) {
            process.waitForFinished(-1);
            result.exitCode =
                process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
            if (result.exitCode != 0)
                result.message =
                    QStringLiteral("The help compiler ended with status %1.").arg(result.exitCode);
        }
    }
    if (!result.started)
        result.message = startFailure(compiler, error);
    return result;
}
