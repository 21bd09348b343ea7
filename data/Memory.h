// SPDX-License-Identifier: MIT
// A hint for the large lists of records and events.
#pragma once

#include <cstddef>
#include <thread>

namespace varimel {

// Asks the system to back a large, not yet touched block with huge pages,
// so that filling it costs a few hundred page faults instead of tens of
// thousands. Only a hint: nothing changes where it is not followed.
void AdviseHugePages(void* data, std::size_t bytes);

// Faults in the pages of a large block on another thread while this one
// fills the block from its start, so the system's zeroing of fresh memory
// runs beside the work instead of inside it. Joined when it goes.
class Prefault {
public:
    Prefault(void* data, std::size_t bytes);
    ~Prefault();
    Prefault(const Prefault&) = delete;
    Prefault& operator=(const Prefault&) = delete;

private:
    std::thread thread_;
};

} // namespace varimel
