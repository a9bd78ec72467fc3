// Reading the application project: its form lines, each form's name, the
// objects of one form, and where a form's file lies.
#pragma once

#include "appproject/qmtcodemod.h"
#include "workspace/session.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace QMTCOdeMod {

// The table of forms of the project file `strprojectpath`, in the order of
// its form lines. A form whose file cannot be opened or has no name line
// gives no row; `unreadable`, when given, receives such form files as the
// project names them. Throws FileError when the project file cannot be read.
std::vector<FormRow> ReadProjectForms(const QString& strprojectpath,
                                      QStringList* unreadable = nullptr);

// Takes the form file name from the form line `strline` and reads the form's
// name from that file (resolved against the folder of `strprojectpath`).
// True when both are found.
bool ReadFormEntry(const QString& strline, const QString& strprojectpath, QString& strformname,
                   QString& strformfilename);

// The form files the project file lists that are not there to be read, as
// it names them. Throws FileError when the project file cannot be read.
QStringList MissingFormFiles(const QString& strprojectpath);

// The folder of the project file `strprojectpath` as it is on disk, with a
// trailing "/" (empty for an empty path). Unlike GetFolder it does not take a
// "\" in a folder's name for a separator.
QString ProjectFolder(const QString& strprojectpath);

// The path of `strformfilename` (as a project file gives it, "\" or "/"
// separated) resolved against the real folder `strfolder` (with its trailing "/"). When that exact
// path does not exist, each part is matched without regard to letter case; when no file matches,
// the exact path is returned.
QString ResolveFormFile(const QString& strfolder, const QString& strformfilename);

// The full path of the file of the form named `strformname` (case-sensitive)
// of the table `forms`, resolved against the folder of `strvbprojectfilename`;
// an empty text when the form is not in the table.
QString GetFormFilePath(const QString& strformname, const std::vector<FormRow>& forms,
                        const QString& strvbprojectfilename);

// One object of a form: its name and its type as the control line gives it
// ("VB.CommandButton", or a third-party "MSComctlLib.ProgressBar").
struct FormObject {
    QString name;
    QString type;
};

// The form's name from the bytes of its form file: the quoted text of the
// name line; empty when there is none.
QString FormNameIn(std::string_view formBytes);

// The objects of the bytes of a form file in file order: the form itself,
// then every control (each element of a control array), up to the name line.
// `progress`, when given, receives the number of bytes read so far after each line.
std::vector<FormObject> FormObjectsIn(std::string_view formBytes,
                                      const std::function<void(qint64)>& progress = {});

// FormObjectsIn of a form file. Throws FileError when it cannot be read.
std::vector<FormObject> ReadFormObjects(const QString& strformfilepath,
                                        const std::function<void(qint64)>& progress = {});

// The names of ReadFormObjects: the objects of a form file in file order.
// `progress`, when given, receives the number of bytes read so far after each
// line. Throws FileError when the file cannot be read.
QStringList ListFormObjects(const QString& strformfilepath,
                            const std::function<void(qint64)>& progress = {});

} // namespace QMTCOdeMod
