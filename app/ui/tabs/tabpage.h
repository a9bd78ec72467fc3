// One tab of the main window: the rules of its controls and its commands.
// The window keeps the controls (its Designer form); a tab binds them to the
// rules in workspace/ and to the project database, and answers the window's
// shared buttons (OK, Cancel, Delete) while it is the selected tab.
#pragma once

#include "workspace/checkforok.h"

#include <QObject>

class FrmMain;
struct Session;

class TabPage : public QObject {
public:
    explicit TabPage(FrmMain& window);

    // The tab is now the selected one.
    virtual void shown() {}
    // The states of OK, Delete, Create and Add under the tab's enabling rule.
    virtual records::ButtonStates checkForOk() = 0;
    // Cancel: the tab's controls emptied.
    virtual void clear() {}
    // OK: the tab's record stored. Throws the refusal (records::RecordError)
    // or the store's error; the window's command guard shows it.
    virtual void save() {}
    // Delete: the tab's record removed; false when there was none.
    virtual bool remove() { return false; }

protected:
    FrmMain& w;
    Session& session();
};
