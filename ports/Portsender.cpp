// SPDX-License-Identifier: MIT
#include "Portsender.h"

#include "Alsasender.h"
#include "Jacksender.h"
#include "Portlist.h"

namespace varimel {

std::vector<std::vector<std::uint8_t>> SilenceMessages(std::uint16_t channels)
{
    constexpr std::uint8_t kControlChange = 0xB0, kAllSoundOff = 120, kAllNotesOff = 123;
    std::vector<std::vector<std::uint8_t>> messages;
    for (int channel = 0; channel < 16; ++channel)
        if (channels & (1u << channel))
            for (const std::uint8_t control : {kAllSoundOff, kAllNotesOff})
                messages.push_back({static_cast<std::uint8_t>(kControlChange | channel), control, 0});
    return messages;
}

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
