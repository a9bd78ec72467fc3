// The form-file writers: tool-tip texts, and help context and What's This
// numbers, written into the form files of the application project.
//
// Each form named by an entry is read and rewritten once, with the lines of
// every writer asked for: the new file is written beside the form file,
// synced and renamed over it, so that a failure leaves the form file as it
// was; each folder is synced once after its forms, and a form counts as
// written only when that succeeded. A form that fails is reported and the
// others are still written. A form is begun as soon as the entry queries,
// read together in order of Object, are past its entries; an entry whose row
// comes out of that order (an Object another tool stored as bytes) after its
// form was begun is left out and named among the failures. Engine errors of the
// queries propagate: one in opening them comes before any form is touched;
// one while reading their rows leaves the forms not begun yet untouched,
// while those begun are finished, each whole and synced, and not reported.
//
// Each control named by an entry gets its line once, among its own
// properties: before the first one whose name sorts after it, else as its
// last own property (before a nested control or its End line). A line of the
// same property already there is replaced wherever it stands. Lines keep the
// file's line ends (LF when every line ends in LF, else CR LF); every other
// line keeps its bytes.
#pragma once

#include "dao.h"
#include "workspace/session.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <vector>

struct FormWriteResult {
    int formsRewritten = 0;
    int controlsUpdated = 0; // control definitions that received a line
    QStringList failures;    // forms left as they were, entries left out: the run failed
    QStringList warnings;    // lines not written for a reason the author should know
};

// What one pass over the forms writes.
struct FormWriteOptions {
    bool toolTips = false; // ToolTipText lines
    bool helpIds = false;  // HelpContextID and WhatsThisHelpID lines
    // A form (VB.Form) whose controls get WhatsThisHelpID lines while its own
    // WhatsThisHelp is not True also gets "WhatsThisHelp = -1 'True" among its
    // properties; without this it is named in a warning, since VB shows no
    // What's This pop-up on such a form.
    bool whatsThisHelp = false;
};

// Writes the lines `options` asks for into the forms of the application
// project `vbProjectFileName`, whose table of forms is `forms`.
FormWriteResult WriteFormFiles(dao::Database& db, const FormWriteOptions& options,
                               const QString& vbProjectFileName, const std::vector<FormRow>& forms);

// Writes a "ToolTipText" line for every active row of ToolTips (WriteFormFiles
// with tool tips alone).
FormWriteResult CreateToolTips(dao::Database& db, const QString& vbProjectFileName,
                               const std::vector<FormRow>& forms);

// Writes "HelpContextID" and "WhatsThisHelpID" lines for every active row of
// WhatsThis, as its Type asks (WriteFormFiles with help IDs alone).
FormWriteResult CreateContextSensitiveHelp(dao::Database& db, const QString& vbProjectFileName,
                                           const std::vector<FormRow>& forms);

// The rewriting of one form file in memory, as the writers do it, for the
// form `formName` and entries keyed by Object ("form.control") with the
// fields of the entry query: HelpText for tool tips; MapNumber and Type for
// help IDs. Warnings and left-out entries go to `result`.
QByteArray RewriteFormToolTips(QByteArrayView form, const QString& formName,
                               const QHash<QString, QVariantList>& entries,
                               FormWriteResult& result);
QByteArray RewriteFormHelpIds(QByteArrayView form, const QString& formName,
                              const QHash<QString, QVariantList>& entries, FormWriteResult& result);
// Both at once, as WriteFormFiles does with `options`.
QByteArray RewriteForm(QByteArrayView form, const QString& formName,
                       const QHash<QString, QVariantList>& toolTips,
                       const QHash<QString, QVariantList>& helpIds, const FormWriteOptions& options,
                       FormWriteResult& result);

namespace QMTCOdeMod {

// The tool-tip line for `text`: a double quote is doubled, a line break
// (CR LF, CR or LF) becomes one blank. Without its line end.
QByteArray ToolTipLine(const QString& text);

} // namespace QMTCOdeMod
