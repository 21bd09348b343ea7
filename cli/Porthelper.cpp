// SPDX-License-Identifier: MIT
#include "Porthelper.h"

#include "Exitcodes.h"
#include "Helperpath.h"
#include "sys/Temporaries.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace varimel::cli {

namespace {

// Runs the helper with the renderer's own standard output and error; its
// signals are passed on, and its status is the renderer's.
int RunHelper(std::vector<std::string> args)
{
    const std::string helper = HelperProgram("varimel-ports", "VARIMEL_PORT_HELPER");
    if (access(helper.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "varimel-render: MIDI ports are not installed (%s: %s)\n", helper.c_str(),
                     std::strerror(errno));
        return kExitFailed;
    }
    args.insert(args.begin(), helper);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::fflush(stdout);
    pid_t child = 0;
    if (Stopping())
        return kExitFailed;
    if (const int spawned = posix_spawn(&child, helper.c_str(), nullptr, nullptr, argv.data(), environ); spawned != 0) {
        std::fprintf(stderr, "varimel-render: %s: %s\n", helper.c_str(), std::strerror(spawned));
        return kExitFailed;
    }
    ForwardSignalsTo(child);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    StopForwardingTo(child);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WIFEXITED(status) ? WEXITSTATUS(status) : kExitFailed;
}

} // namespace

int ListPorts() { return RunHelper({"--list"}); }

int SendToPort(const std::string& port, const std::string& midi)
{
    // A signal while the piece plays ends the renderer as it ends the
    // helper: with 128 + the signal, once the helper has silenced the port.
    EndWithStatusOnSignal();
    return RunHelper({"--send", port, midi});
}

} // namespace varimel::cli
