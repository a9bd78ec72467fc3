#include "compilation.h"

#include "components/components.h"
#include "components/interfaces.h"
#include "resources/strings.h"
#include "shell/dialogs.h"
#include "winreg/winreg.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <cstdint>

int LookUpHelpCompiler(QString& strcompilerpath) {
    strcompilerpath.clear();
    components::Component<IRegistryFunctions> reg(QStringLiteral("KRVRegF.RegistryFunctions"));
    std::int32_t key = static_cast<std::int32_t>(winreg::HKEY_LOCAL_MACHINE);
    QString subkey = LoadResString(404);
    QString keyClass = LoadResString(405);
    std::int32_t access = 0x2003F;
    QString createFlag = QStringLiteral("N");
    std::int32_t handle = 0;
    if (reg->KRVOpenRegKey(key, subkey, keyClass, access, createFlag, handle) != 0)
        return 556;
    QString compilerKey = LoadResString(552);
    QString path;
    const std::int32_t status = reg->KRVQueryRegValue(handle, compilerKey, path, createFlag);
    reg->KRVCloseRegKey(handle);
    if (status != 0 || path.isEmpty())
        return 555;
    strcompilerpath = path;
    return 0;
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
    // String 553 holds the switches between blanks: " /c /e /m ".
    QStringList args = LoadResString(553).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    args << helpProjectFileName;
    return args;
}

CompileResult CompileHelpProject(const QString& helpProjectFileName, CompileWait wait) {
    CompileResult result;
    QString compiler;
    if (const int message = LookUpHelpCompiler(compiler)) {
        compiler = BuiltInHelpCompiler();
        if (compiler.isEmpty()) {
            shell::MsgBox(LoadResString(message));
            return result;
        }
    }
    const QStringList args = HelpCompilerArguments(helpProjectFileName);
    if (wait == CompileWait::Detached) {
        result.started = QProcess::startDetached(compiler, args);
    } else {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(compiler, args);
        result.started = process.waitForStarted(-1);
        if (result.started) {
            process.waitForFinished(-1);
            result.exitCode =
                process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        }
    }
    if (!result.started)
        shell::MsgBox(LoadResString(554));
    return result;
}
