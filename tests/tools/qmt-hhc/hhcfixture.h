// Compiled HTML Help files read back by readers written apart from ours:
// chmlib (platform/chm), libmspack's LZX decoder, 7-Zip and Python's chm
// module; and small projects to compile.
#pragma once

#include "chm/chmfile.h"
#include "common/testenv.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <map>
#include <optional>

#include <mspack.h>

namespace hhcfixture {

// Every file of `chmPath` through libmspack, by internal name ("/a.htm");
// nothing when the file cannot be opened or a file fails to decompress.
inline std::optional<std::map<QString, QByteArray>> readWithMspack(const QString& chmPath) {
    mschm_decompressor* d = mspack_create_chm_decompressor(nullptr);
    if (!d)
        return std::nullopt;
    std::optional<std::map<QString, QByteArray>> result;
    // libmspack keeps the name and opens the file again for each extract.
    QByteArray name = QFile::encodeName(chmPath);
    mschmd_header* h = d->open(d, name.data());
    if (h) {
        result.emplace();
        QTemporaryDir scratch;
        const QByteArray out = QFile::encodeName(scratch.filePath(QStringLiteral("out")));
        for (mschmd_file* f = h->files; f; f = f->next) {
            if (const int error = d->extract(d, f, const_cast<char*>(out.constData()));
                error != MSPACK_ERR_OK) {
                qWarning("libmspack: %s: error %d", f->filename, error);
                result.reset();
                break;
            }
            (*result)[QString::fromUtf8(f->filename)] = testenv::readAll(QFile::decodeName(out));
        }
        d->close(d, h);
    } else {
        qWarning("libmspack: cannot open %s: error %d", qPrintable(chmPath), d->last_error(d));
    }
    mspack_destroy_chm_decompressor(d);
    return result;
}

// Runs a program; its standard output, or nothing when it failed.
inline std::optional<QByteArray> run(const QString& program, const QStringList& args,
                                     const QString& workDir = {}) {
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return p.readAllStandardOutput();
}

inline QString sevenZip() {
    return QStandardPaths::findExecutable(QStringLiteral("7z"));
}

// The system's Python 3, which has the Debian package's chm module.
inline QString systemPython() {
    return QFileInfo::exists(QStringLiteral("/usr/bin/python3"))
               ? QStringLiteral("/usr/bin/python3")
               : QString();
}

// Every file below `folder` by its path relative to it.
inline std::map<QString, QByteArray> tree(const QString& folder) {
    std::map<QString, QByteArray> files;
    QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString& n : names)
        files[n] = testenv::readAll(dir.filePath(n));
    for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (auto& [name, bytes] : tree(dir.filePath(sub)))
            files[sub + u'/' + name] = bytes;
    return files;
}

inline bool write(const QString& folder, const QString& name, const QByteArray& bytes) {
    QDir(folder).mkpath(QFileInfo(name).path());
    return testenv::writeAll(QDir(folder).filePath(name), bytes);
}

inline QByteArray page(const QByteArray& title, const QByteArray& body) {
    return "<html><head><title>" + title + "</title></head><body><p>" + body +
           "</p></body></html>\r\n";
}

} // namespace hhcfixture
