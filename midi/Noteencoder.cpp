// SPDX-License-Identifier: MIT
#include "Noteencoder.h"

#include "Sequencer.h"

#include <algorithm>

namespace varimel {

namespace {

// Bytes an encoder starts with; more as it needs them.
constexpr std::size_t kRoom = std::size_t{1} << 16;

} // namespace

TNoteEncoder::TNoteEncoder(std::uint8_t channel, std::uint32_t previous)
    : noteOn_(static_cast<std::uint8_t>(kNoteOn | (channel & kChannelMask))),
      noteOff_(static_cast<std::uint8_t>(kNoteOff | (channel & kChannelMask))), previous_(previous), bytes_(kRoom)
{}

void TNoteEncoder::InsertOff(const Off& off)
{
    offs_.insert(std::upper_bound(offs_.begin() + static_cast<std::ptrdiff_t>(first_), offs_.end(), off), off);
}

void TNoteEncoder::PutChord()
{
    std::stable_sort(ons_.begin(), ons_.end(), [](const On& a, const On& b) { return a.key < b.key; });
    for (const On& on : ons_)
        Put(onTime_, noteOn_, on.key, on.velocity);
}

void TNoteEncoder::PutRare(std::uint32_t delta, std::uint8_t status, std::uint8_t key, std::uint8_t value)
{
    // A delta too long for one variable-length quantity is split by empty
    // text events, as the writer splits it.
    static constexpr std::uint8_t kNothing[] = {kMeta, kMetaText, 0x00};
    const auto room = [&](std::size_t n) {
        if (bytes_.size() - used_ < n)
            bytes_.resize(std::max(bytes_.size() * 2, used_ + n));
    };
    for (; delta > kMaxVarLen; delta -= kMaxVarLen) {
        room(4 + sizeof kNothing);
        used_ += PutVarLen(bytes_.data() + used_, kMaxVarLen);
        std::copy(std::begin(kNothing), std::end(kNothing), bytes_.data() + used_);
        used_ += sizeof kNothing;
    }
    room(7);
    used_ += PutVarLen(bytes_.data() + used_, delta);
    std::uint8_t* out = bytes_.data() + used_;
    out[0] = status;
    out[1] = key;
    out[2] = static_cast<std::uint8_t>(value & kDataMask);
    used_ += 3;
}

} // namespace varimel
