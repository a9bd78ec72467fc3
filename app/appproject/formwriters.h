// The form-file writers: tool-tip texts, and help context and What's This
// numbers, written into the form files of the application project.
//
// Each form named by an entry is rewritten once: the new file is written
// beside the form file, flushed and renamed over it, so that a failure leaves
// the form file as it was. A form that fails is reported and the others are
// still written. Engine errors of the first query propagate; nothing has been
// touched then.
#pragma once

#include "dao.h"
#include "workspace/session.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

struct FormWriteResult {
    int formsRewritten = 0;
    QStringList failures; // one readable text per form that was left as it was
};

// Writes a "ToolTipText" line for every active row of ToolTips.
// `vbProjectFileName` is the application project file; `forms` its table of forms.
FormWriteResult CreateToolTips(dao::Database& db, const QString& vbProjectFileName,
                               const std::vector<FormRow>& forms);

// Writes "HelpContextID" and "WhatsThisHelpID" lines for every active row of
// WhatsThis, as its Type asks.
FormWriteResult CreateContextSensitiveHelp(dao::Database& db, const QString& vbProjectFileName,
                                           const std::vector<FormRow>& forms);

namespace QMTCOdeMod {

// The tool-tip line for `text`: a double quote is doubled, a line break
// (CR LF, CR or LF) becomes one blank. Without its line end.
QByteArray ToolTipLine(const QString& text);

} // namespace QMTCOdeMod
