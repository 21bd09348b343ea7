// SPDX-License-Identifier: MIT
// Start-up of the window program: its command line, the application's name,
// icon and desktop entry, the one main window, and the event loop.
#pragma once

#include "data/Language.h"

#include <functional>
#include <optional>
#include <string>

class TMainForm;

// Answers --help and --version without a display; otherwise starts the
// application, opens the window (with the one file given, if any) and runs
// until it closes. started, when given, runs once the window is up and the
// file is loaded. Returns the process's exit status: 2 for an unknown
// option or more than one file.
// The command line's mistakes, found before the toolkit starts (so they do
// not depend on a display): an unknown option or more than one file, past
// the toolkit's own options and their values. Empty when there is none.
// --lang ja|en gives the language of this run (when language is given).
std::string ArgumentError(int argc, char** argv, std::optional<varimel::Language>* language = nullptr);

int RunVarimel(int argc, char** argv, const std::function<void(TMainForm&)>& started = {});
