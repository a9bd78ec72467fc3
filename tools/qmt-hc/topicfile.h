// Reading an RTF topic file: topics separated by \page, footnotes #
// (context string), $ (title), K (keywords), + (browse sequence) and !
// (entry macro), paragraphs with their fonts, and hotspots (double
// underlined or struck-through text for jumps, underlined text for popups,
// each followed by its target as hidden text). Unknown words and groups are
// skipped.
#pragma once

#include "diagnostics.h"
#include "picture.h"
#include "project.h"
#include "topics.h"

#include "rtf/rtftokenizer.h"

#include <QByteArrayView>
#include <QString>
#include <vector>

namespace hc {

// Appends the topics of the RTF text `bytes` (read from `fileName`) to
// `topics`. `windows` are the project's windows (for jumps into one); the
// pictures the topics show come from `pictures` (none without it).
void ReadTopicFile(const QString& fileName, QByteArrayView bytes,
                   const std::vector<WindowDefinition>& windows, FontTable& fonts, Topics& topics,
                   Diagnostics& diagnostics, PictureStore* pictures = nullptr);
// The same, the RTF read from `source` a piece at a time, so that a large
// topic file is never held whole.
void ReadTopicFile(const QString& fileName, rtf::ByteSource& source,
                   const std::vector<WindowDefinition>& windows, FontTable& fonts, Topics& topics,
                   Diagnostics& diagnostics, PictureStore* pictures = nullptr);

} // namespace hc
