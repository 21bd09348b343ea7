// SPDX-License-Identifier: MIT
#include "Portname.h"

namespace varimel {

namespace {

constexpr std::string_view kAlsa = "alsa";
constexpr std::string_view kJack = "jack";

} // namespace

PortChoice PortChoiceOf(std::string_view text)
{
    for (const auto& [name, system] : {std::pair{kAlsa, PortSystem::Alsa}, std::pair{kJack, PortSystem::Jack}}) {
        if (text == name)
            return {system, {}};
        if (text.size() > name.size() + 1 && text.substr(0, name.size()) == name && text[name.size()] == ':')
            return {system, std::string(text.substr(name.size() + 1))};
    }
    return {};
}

std::string PortChoiceText(const PortChoice& choice)
{
    if (choice.System == PortSystem::BuiltIn)
        return {};
    std::string text(choice.System == PortSystem::Alsa ? kAlsa : kJack);
    return choice.Target.empty() ? text : text + ":" + choice.Target;
}

} // namespace varimel
