// The top of every window command: whatever the command throws is told to the
// user in a message box and goes no further.
#pragma once

#include "components/components.h"
#include "dao.h"
#include "shell/dialogs.h"

#include <exception>

namespace ui {

template <class Command> void runCommand(Command&& command) {
    try {
        command();
    } catch (const dao::EngineError& e) {
        shell::MsgBox(e.text(), shell::vbExclamation);
    } catch (const components::ComponentError& e) {
        shell::MsgBox(e.message(), shell::vbExclamation);
    } catch (const std::exception& e) {
        shell::MsgBox(QString::fromLocal8Bit(e.what()), shell::vbExclamation);
    }
}

} // namespace ui
