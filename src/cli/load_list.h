#pragma once

#include <memory>
#include <string>

#include "cli/cli.h"
#include "domain/state.h"
#include "view/main_form.h"
#include "import/list_import.h"

// What every command that reads a processing list does first, as the desktop program does at
// start and on File > Open.
namespace orq::cli {

// The file name that stands for standard input (a list) or standard output (a workbook).
inline constexpr const char* kStandardStream = "-";

// The state as the desktop program has it at start: the machine's locale, today (--today or the
// clock) and the settings file (--settings or ORQ.ini; read only). A bad --today is a usage
// error.
void PrepareState(const Invocation& invocation, TOrqState& state);

// The import component with the list `fileName` open ("-": the bytes of standard input, held to
// the same size limit as a file), read as .xls, .xlsx or text by its content. A reader failure
// is an orq::Error with the reader's message.
std::unique_ptr<import::TListImport> OpenListFile(const std::string& fileName);

// For a command that builds a large table right after the load (a report): blocks of up to 32 MB
// come from the heap and what is freed stays with the process, so that the table is built in
// the pages the load's file bytes and cells leave behind, not in fresh pages the system has to
// clear and map one by one. A hint to the allocator only (where there is one to give it to).
void ReuseLoadMemory();

// PrepareState, then File > Open of `fileName`: the view after the load, sheet 1 read by the
// loader. A list without data rows fails with "APL has no appointments" (a Failure), a failing
// load with the loader's own message or the reader's.
void LoadList(const Invocation& invocation, const std::string& fileName, TOrqState& state,
              TMainView& view);

} // namespace orq::cli
