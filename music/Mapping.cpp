// SPDX-License-Identifier: MIT
#include "Mapping.h"

namespace varimel {

bool BuildSmf(const TXYDataList* data, const MappingRequest& r, const std::string& fileName, ScaleNoteSet& set,
              std::string* reason)
{
    if (r.Scale < 0 || r.Scale >= kScaleCount || r.Tonic < 0 || r.Tonic > 11 || r.LowTone < 0 ||
        r.HighTone >= kToneCount || r.Program < 0 || r.Program >= kProgramCount) {
        if (reason)
            *reason = "a setting is out of its range";
        return false;
    }
    return WriteMappedSmf(set, data, fileName, r.Scale, static_cast<std::uint8_t>(r.Tonic), MidiNoteOfTone(r.LowTone),
                          MidiNoteOfTone(r.HighTone), r.DxPQN, ClampTo(r.Tempo, kMinTempo, kMaxTempo),
                          static_cast<std::uint8_t>(ClampTo(r.Velocity, kMinVelocity, kMaxVelocity)), r.Duration,
                          kBeatsPerBar, kBeatUnitPower, r.WriteProgramChange, static_cast<std::uint8_t>(r.Program),
                          reason);
}

} // namespace varimel
