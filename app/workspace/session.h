// Program-wide state of the main program: the current project, the
// application project and its table of forms, and the help-window geometry.
#pragma once

#include "dao.h"
#include "workspace/createsettings.h"

#include <QString>
#include <memory>
#include <vector>

// One form of the application project (a row of the table of forms).
struct FormRow {
    QString formName; // from the form file's name line
    QString fileName; // as the project file gives it, relative to its folder
};

struct Session {
    QString projectPath;               // current project path; empty before the first New or Open
    QString appProjectPath;            // application project path (option VBPF)
    std::unique_ptr<dao::Database> db; // the open project database, or none
    std::vector<FormRow> forms;        // the table of forms (rows 1..n)

    // Help-window geometry, reset at every open.
    HelpWindowGeometry window;

    bool isOpen() const { return db && db->IsOpen(); }
};
