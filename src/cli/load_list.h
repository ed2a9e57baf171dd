#pragma once

#include <ostream>
#include <string>

#include "cli/cli.h"
#include "domain/state.h"
#include "view/main_form.h"

// What every command that reads a processing list does first, as the desktop program does at
// start and on File > Open.
namespace orq::cli {

// The state as the desktop program has it at start: the machine's locale, today (--today or the
// clock) and the settings file (--settings or ORQ.ini; read only). A bad --today is a usage
// error.
void PrepareState(const Invocation& invocation, TOrqState& state);

// PrepareState, then File > Open of `fileName`: the view after the load. Returns kOk when the
// list is loaded; otherwise prints the message ("APL has no appointments", the loader's own
// message as it is, or any other failure as the general error display shows it) on `err` and
// returns kFailure.
int LoadList(const Invocation& invocation, const std::string& fileName, TOrqState& state,
             TMainView& view, std::ostream& err);

} // namespace orq::cli
