// SPDX-License-Identifier: MIT
// varimel-render: the window's CSV-to-MIDI job from the command line, for
// scripts and batch work. Same reader, same checks, same writer.
#include "Batch.h"
#include "Exitcodes.h"
#include "Help.h"
#include "Job.h"
#include "Options.h"
#include "Porthelper.h"
#include "sys/Temporaries.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <string>

using namespace varimel;
using namespace varimel::cli;

static int Run(int argc, char** argv)
{
    Options options;
    try {
        options = ParseArguments(argc, argv);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "varimel-render: %s\n", e.reason.c_str());
        std::fprintf(stderr, "%s\n", kUsageLine);
        return kExitUsage;
    } catch (const SettingsError& e) {
        std::fprintf(stderr, "varimel-render: cannot read the settings file %s\n", e.reason.c_str());
        return kExitFailed;
    }
    if (options.help) {
        std::fputs(Usage().c_str(), stdout);
        return kExitWritten;
    }
    if (options.listPorts)
        return ListPorts();
    if (options.Batch())
        return RunBatch(options);
    return RenderJob(options, 0, [](const std::string& line) { Say(line); }).status;
}

int main(int argc, char** argv)
{
    // Ended by Ctrl-C or a hang-up, the renderer leaves no hidden temporary
    // files; writing to a closed pipe is a failed write, not a silent death.
    RemoveTemporariesOnSignals();
    std::signal(SIGPIPE, SIG_IGN);
    // Running out of memory on a gigantic input ends with a message, not a crash.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("varimel-render: not enough memory\n", stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "varimel-render: %s\n", e.what());
    }
    return kExitFailed;
}
