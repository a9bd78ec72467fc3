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

#include <QWidget>
#include <exception>
#include <functional>

namespace ui {

// Thrown by a command the author called off at a question: nothing more is said.
class Cancelled : public std::exception {};

// Returns true when the command ran to its end. After a refused record the
// field at fault gets the focus when `fieldOf` finds it.
template <class Command>
bool runCommand(Command&& command, const std::function<QWidget*(int field)>& fieldOf = {}) {
    QString failure;
    try {
        const WaitCursor wait;
        command();
        return true;
    } catch (const Cancelled&) {
        return false;
    } catch (const records::RecordError& e) {
        shell::MsgBox(e.message(), shell::vbExclamation);
        if (QWidget* field = fieldOf && e.field() ? fieldOf(e.field()) : nullptr)
            field->setFocus();
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
