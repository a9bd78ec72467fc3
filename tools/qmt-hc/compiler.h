// Compiling a help project: reading the project and its topic files,
// building the help file and putting it in place only when complete.
#pragma once

#include "diagnostics.h"
#include "hlpwriter.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace hc {

struct CompileResult {
    bool written = false;
    QString helpFile;
    qsizetype bytes = 0;
    HelpFileStats stats;
};

// Compiles `projectPath`. Never throws; everything worth telling goes to
// `diagnostics`. With an error nothing is written and an existing help file
// stays as it was. `date` is stored as the file's build time (seconds since
// 1970; 0: now, or SOURCE_DATE_EPOCH when set). `includeFolders` are searched
// for the project's #include files.
CompileResult Compile(const QString& projectPath, Diagnostics& diagnostics, std::uint32_t date = 0,
                      const QStringList& includeFolders = {});

// Writes `bytes` to `target` the way every file of Quillmate is written
// (fileio::SaveBytes: a hidden work file, checked, synced, renamed). On
// failure the target is untouched and `error` says why.
bool WriteFileSafely(const QString& target, const QByteArray& bytes, QString& error);

} // namespace hc
