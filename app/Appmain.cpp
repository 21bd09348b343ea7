// SPDX-License-Identifier: MIT
// Varimel: start-up creates the one main window and runs until it closes.
#include "Startup.h"
#include "sys/Temporaries.h"

int main(int argc, char** argv)
{
    // A window closed by a signal during a save leaves no hidden temporary.
    varimel::RemoveTemporariesOnSignals();
    return RunVarimel(argc, argv);
}
