// SPDX-License-Identifier: MIT
#include "Portsender.h"

#include "Alsasender.h"
#include "Jacksender.h"
#include "Portlist.h"

namespace varimel {

std::unique_ptr<PortSender> OpenPortSender(const PortChoice& choice, std::string& why)
{
    if (choice.System == PortSystem::Jack)
        return JackSender::Open(choice.Target, why);
    if (choice.System != PortSystem::Alsa) {
        why = "no MIDI port chosen";
        return nullptr;
    }
    // A port kept by name is found by its name now: client numbers change
    // from one start of the sequencer to the next.
    std::string target = choice.Target;
    if (!target.empty())
        for (const PortInfo& p : SurveyPorts().Ports)
            if (p.System == PortSystem::Alsa && p.Name == target)
                target = p.Address;
    return AlsaSender::Open(target, why);
}

} // namespace varimel
