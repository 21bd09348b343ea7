// SPDX-License-Identifier: MIT
#include "Generalmidi.h"

#include <cstdio>

namespace varimel {

// clang-format off
const std::array<std::string_view, 128> GMProgramNames = {
    "Piano 1",      "Piano 2",      "Piano 3",      "Honky-tonk",   "E.Piano 1",    "E.Piano 2",
    "Harpsichord",  "Clav.",        "Celesta",      "Glockenspiel", "Music Box",    "Vibraphone",
    "Marimba",      "Xylophone",    "Tubular-bell", "Santur",       "Organ 1",      "Organ 2",
    "Organ 3",      "Church Org.1", "Reed Organ",   "Accordion Fr", "Harmonica",    "Bandoneon",
    "Nylon-str.Gt", "Steel-str.Gt", "Jazz Gt.",     "Clean Gt.",    "Muted Gt.",    "Overdrive Gt",
    "DistortionGt", "Gt.Harmonics", "Acoustic Bs.", "Fingered Bs.", "Picked Bs.",   "Fretless Bs.",
    "Slap Bass 1",  "Slap Bass 2",  "Synth Bass 1", "Synth Bass 2", "Violin",       "Viola",
    "Cello",        "Contrabass",   "Tremolo Str",  "PizzicatoStr", "Harp",         "Timpani",
    "Strings",      "Slow Strings", "Syn.Strings1", "Syn.Strings2", "Choir Aahs",   "Voice Oohs",
    "SynVox",       "OrchestraHit", "Trumpet",      "Trombone",     "Tuba",         "MutedTrumpet",
    "French Horn",  "Brass 1",      "Synth Brass1", "Synth Brass2", "Soprano Sax",  "Alto Sax",
    "Tenor Sax",    "Baritone Sax", "Oboe",         "English Horn", "Bassoon",      "Clarinet",
    "Piccolo",      "Flute",        "Recorder",     "Pan Flute",    "Bottle Blow",  "Shakuhachi",
    "Whistle",      "Ocarina",      "Square Wave",  "Saw Wave",     "Syn.Calliope", "Chiffer Lead",
    "Charang",      "Solo Vox",     "5th Saw Wave", "Bass & Lead",  "Fantasia",     "Warm Pad",
    "Polysynth",    "Space Voice",  "Bowed Glass",  "Metal Pad",    "Halo Pad",     "Sweep Pad",
    "Ice Rain",     "Soundtrack",   "Crystal",      "Atmosphere",   "Brightness",   "Goblin",
    "Echo Drops",   "Star Theme",   "Sitar",        "Banjo",        "Shamisen",     "Koto",
    "Kalimba",      "Bag Pipe",     "Fiddle",       "Shanai",       "Tinkle Bell",  "Agogo",
    "Steel Drums",  "Woodblock",    "Taiko",        "Melo. Tom 1",  "Synth Drum",   "Reverse Cym.",
    "Gt.FretNoise", "Breath Noise", "Seashore",     "Bird",         "Telephone 1",  "Helicopter",
    "Applause",     "Gun Shot",
};
// clang-format on

std::string ProgramEntry(int program)
{
    char number[16];
    std::snprintf(number, sizeof number, "%03d: ", program + 1);
    return number + std::string(GMProgramNames.at(static_cast<std::size_t>(program)));
}

} // namespace varimel
