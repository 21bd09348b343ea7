// SPDX-License-Identifier: MIT
#include "Portlist.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <cstring>

namespace varimel {

namespace {

void Quiet(const char*) {}

// The library's own complaints (no /dev/snd/seq) would reach the terminal;
// the survey says what is missing in its own words.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

void SurveyAlsa(PortSurvey& survey)
{
    snd_lib_error_set_handler(QuietAlsa);
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0)
        return;
    survey.Alsa = true;
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        const std::string clientName = snd_seq_client_info_get_name(client);
        // The system's own client (timer, announcements) and Varimel's.
        if (id == SND_SEQ_CLIENT_SYSTEM || clientName == kPortName)
            continue;
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq, port) >= 0) {
            const unsigned caps = snd_seq_port_info_get_capability(port);
            const unsigned wanted = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
            if ((caps & wanted) != wanted || (caps & SND_SEQ_PORT_CAP_NO_EXPORT))
                continue;
            PortInfo info;
            info.System = PortSystem::Alsa;
            info.Address = std::to_string(id) + ":" + std::to_string(snd_seq_port_info_get_port(port));
            info.Name = clientName + ":" + snd_seq_port_info_get_name(port);
            survey.Ports.push_back(std::move(info));
        }
    }
    snd_seq_close(seq);
}

void SurveyJack(PortSurvey& survey)
{
    jack_set_error_function(Quiet);
    jack_set_info_function(Quiet);
    jack_status_t status{};
    jack_client_t* client = jack_client_open("Varimel-ports", JackNoStartServer, &status);
    if (!client)
        return;
    survey.Jack = true;
    if (const char** names = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput)) {
        const std::string own = std::string(kPortName) + ":";
        for (const char** n = names; *n; ++n)
            if (std::strncmp(*n, own.c_str(), own.size()) != 0)
                survey.Ports.push_back({PortSystem::Jack, *n, *n});
        jack_free(names);
    }
    jack_client_close(client);
}

} // namespace

PortSurvey SurveyPorts()
{
    PortSurvey survey;
    SurveyAlsa(survey);
    SurveyJack(survey);
    return survey;
}

std::optional<PortChoice> ResolvePort(std::string_view text, const PortSurvey& survey)
{
    const PortChoice given = PortChoiceOf(text);
    if (given.System != PortSystem::BuiltIn) {
        // Our own port only: on a system that is there.
        if (given.Target.empty())
            return (given.System == PortSystem::Alsa ? survey.Alsa : survey.Jack) ? std::optional(given) : std::nullopt;
        for (const PortInfo& p : survey.Ports)
            if (p.System == given.System && (p.Name == given.Target || p.Address == given.Target))
                return p.Choice();
        return std::nullopt;
    }
    for (const PortInfo& p : survey.Ports)
        if (p.Address == text || p.Name == text)
            return p.Choice();
    return std::nullopt;
}

std::string PortLine(const PortInfo& port)
{
    return std::string(port.System == PortSystem::Alsa ? "alsa" : "jack") + "\t" + port.Address + "\t" + port.Name;
}

} // namespace varimel
