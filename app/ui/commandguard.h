// The top of every window command: the wait cursor while it runs, and
// whatever it throws told to the user in one message box. A refused record
// names what is wrong; a failure of the store, a file or a component is
// prefixed with "The command could not be completed:". Nothing escapes into
// the event loop.
#pragma once

#include "appproject/qmtcodemod.h"
#include "components/components.h"
#include "dao.h"
#include "fileio/savefile.h"
#include "resources/stringtable.h"
#include "shell/dialogs.h"
#include "uiutil.h"
#include "workspace/records.h"

#include <exception>

namespace ui {

// Returns true when the command ran to its end.
template <class Command> bool runCommand(Command&& command) {
    QString failure;
    try {
        const WaitCursor wait;
        command();
        return true;
    } catch (const records::RecordError& e) {
        shell::MsgBox(e.message(), shell::vbExclamation);
        return false;
    } catch (const dao::EngineError& e) {
        failure = e.text();
    } catch (const fileio::FileWriteError& e) {
        failure = e.message();
    } catch (const QMTCOdeMod::FileError& e) {
        failure = e.text();
    } catch (const components::ComponentError& e) {
        failure = e.message();
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    shell::MsgBox(LoadResString(str::message::CommandFailed) + QLatin1Char('\n') + failure,
                  shell::vbExclamation);
    return false;
}

} // namespace ui
