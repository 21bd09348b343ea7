// SPDX-License-Identifier: MIT
#include "Audiohelper.h"

#include "Helperpath.h"

#include "sys/Temporaries.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace varimel::cli {

bool RenderAudioFile(const std::string& midi, const std::string& out, const std::string& format,
                     const std::string& soundFont, double seconds, const AudioLevel& level, std::string& error)
{
    const std::string helper = HelperProgram("varimel-audio", "VARIMEL_AUDIO_HELPER");
    if (access(helper.c_str(), X_OK) != 0) {
        error = "the synthesizer is not installed (" + helper + ": " + std::strerror(errno) + ")";
        return false;
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    char secondsText[64];
    std::snprintf(secondsText, sizeof secondsText, "%.3f", seconds);
    std::vector<std::string> args = {helper, midi, out, format, soundFont, secondsText, AudioLevelName(level)};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    // The helper learns who runs it, so that it ends with this process even
    // if a signal ends this one before it could pass the signal on.
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "VARIMEL_RENDERER_PID=", 21) != 0)
            environment.emplace_back(*e);
    environment.push_back("VARIMEL_RENDERER_PID=" + std::to_string(getpid()));
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t child = 0;
    if (Stopping()) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        posix_spawn_file_actions_destroy(&actions);
        error = "stopped by a signal";
        return false;
    }
    const int spawned = posix_spawn(&child, helper.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        error = helper + ": " + std::strerror(spawned);
        return false;
    }
    ForwardSignalsTo(child);
    std::string said;
    char buffer[512];
    for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            break;
        said.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    StopForwardingTo(child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    while (!said.empty() && said.back() == '\n')
        said.pop_back();
    error = said.empty() ? "the synthesizer stopped" : said;
    return false;
}

} // namespace varimel::cli
