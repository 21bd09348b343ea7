// SPDX-License-Identifier: MIT
#include "Batch.h"

#include "Exitcodes.h"
#include "Job.h"
#include "sys/Memory.h"
#include "sys/Temporaries.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace varimel::cli {

int RunBatch(const Options& options)
{
    const std::size_t total = options.files.size();
    const std::size_t workers = options.Workers();
    std::vector<JobResult> results(total);
    std::vector<bool> finished(total, false);
    std::mutex lock;
    std::condition_variable changed;
    std::atomic<std::size_t> next{0};
    // A failure inside one file's job (out of memory, a thread that cannot
    // start) fails that file with its reason; the batch goes on.
    const auto work = [&] {
        // Once a signal ends the run, no file is started.
        for (std::size_t i; !Stopping() && (i = next++) < total;) {
            JobResult r;
            try {
                r = RenderJob(options, i, [](const std::string&) {});
            } catch (const std::bad_alloc&) {
                r = {kExitFailed, 0, 0, kReasonNoMemory};
            } catch (const std::exception& e) {
                r = {kExitFailed, 0, 0, e.what()};
            }
            std::lock_guard<std::mutex> guard(lock);
            results[i] = std::move(r);
            finished[i] = true;
            changed.notify_one();
        }
    };
    std::vector<std::thread> pool;
    for (std::size_t w = 0; w < workers; ++w) {
        try {
            pool.emplace_back(work);
        } catch (const std::system_error&) {
            break; // the workers already running share the files
        }
    }
    if (pool.empty())
        work(); // not even one could start: this thread renders them all

    const bool terminal = isatty(STDERR_FILENO) != 0;
    const auto start = std::chrono::steady_clock::now();
    std::size_t printed = 0, done = 0;
    std::unique_lock<std::mutex> guard(lock);
    while (printed < total) {
        changed.wait_for(guard, std::chrono::milliseconds(200));
        done = static_cast<std::size_t>(std::count(finished.begin(), finished.end(), true));
        std::string text;
        while (printed < total && finished[printed]) {
            const JobResult& r = results[printed];
            text += options.files[printed] + ": ";
            if (r.status == kExitWritten) {
                text += "written, " + std::to_string(r.notes) + (r.notes == 1 ? " note" : " notes");
                if (r.skipped)
                    text += ", " + std::to_string(r.skipped) + (r.skipped == 1 ? " line" : " lines") + " skipped";
            } else {
                text += r.stopped;
            }
            text += '\n';
            ++printed;
        }
        if (terminal) {
            const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            char line[160];
            if (done < total && done > 0)
                std::snprintf(line, sizeof line, "\r\033[K[%zu/%zu] %.1f s, about %.1f s left", done, total, elapsed,
                              elapsed / static_cast<double>(done) * static_cast<double>(total - done));
            else if (done < total)
                std::snprintf(line, sizeof line, "\r\033[K[%zu/%zu] %.1f s", done, total, elapsed);
            else
                std::snprintf(line, sizeof line, "\r\033[K");
            text = "\r\033[K" + text + line;
        }
        std::fputs(text.c_str(), stderr);
        std::fflush(stderr);
    }
    guard.unlock();
    for (std::thread& t : pool)
        t.join();
    for (const JobResult& r : results)
        if (r.status != kExitWritten)
            return r.status;
    return kExitWritten;
}

} // namespace varimel::cli
