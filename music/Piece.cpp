// SPDX-License-Identifier: MIT
#include "Piece.h"

#include "Filebuild.h"

#include <algorithm>

namespace varimel {

TPiece::TPiece(const TXYDataList* data, std::vector<SeriesTrack> series, const MappingRequest& request,
               std::optional<XSelection> part)
    : data_(data), series_(std::move(series)), request_(request), part_(part.has_value()), partX_(part)
{
    std::vector<const TXYDataList*> lists{data_};
    for (const SeriesTrack& s : series_)
        lists.push_back(s.Data);
    originX_ = XSpanOf(lists).value_or(XSelection{}).From;
    // The series' frames are worked out once, for the notes and the file.
    if (!series_.empty())
        frames_ = FramesOf(series_, request_);
    // A legend before the piece moves its tick 0 that much earlier in X.
    if (frames_ && request_.Cues.Legend)
        originX_ = frames_->OriginX;
    if (part && series_.size() > 1) {
        SeriesPart chosen = SelectedSeries(series_, request_, SeriesNotes(series_, request_, frames_), *part);
        end_ = chosen.End;
        shift_ = chosen.Shift;
        first_ = std::move(chosen.First);
        notes_ = std::move(chosen.Notes);
    } else if (part) {
        // A shaped series keeps the whole piece's notes there, velocities and
        // lengths from their columns included.
        const bool shaped =
            !series_.empty() && data_ && RecordsIn(*data_, *part).first < RecordsIn(*data_, *part).second;
        SelectedPart chosen =
            shaped ? PartOf(SeriesNotes(series_, request_, frames_).front(), *data_, request_.DxPQN, *part)
                   : SelectedNotes(data_, request_, *part);
        end_ = chosen.End;
        shift_ = chosen.Shift;
        first_ = {data_ ? RecordsIn(*data_, *part).first : 0};
        notes_ = std::vector<std::vector<NoteSpan>>{std::move(chosen.Notes)};
    } else if (!series_.empty()) {
        end_ = frames_ ? frames_->End : 0;
        first_.assign(series_.size(), 0);
    } else {
        end_ = data_ && !data_->Empty() ? PieceEndTick(*data_, request_.DxPQN).value_or(0) : 0;
        first_ = {0};
    }
    if (request_.Cues.Any() && frames_)
        MakeCues();
}

void TPiece::MakeCues()
{
    const CueRequest& cues = request_.Cues;
    const TNoteBands bands(frames_->Frame(0), request_);
    // The chime follows the first series' last note: the whole piece's, or
    // the part's.
    std::vector<NoteSpan> whole;
    if (cues.Ends)
        whole = part_ ? std::vector<NoteSpan>() : Notes().front();
    CueInputs in;
    in.OriginX = originX_;
    in.DxPQN = request_.DxPQN;
    in.End = frames_->End;
    in.Dates = cues.Dates;
    in.First = series_.front().Data;
    in.Notes = cues.Ends && !part_ ? &whole : nullptr;
    in.Bands = &bands;
    in.LineXs = frames_->LineXs.empty() ? nullptr : &frames_->LineXs;
    in.SeriesCount = series_.size();
    in.Words = cues.English ? Language::English : Language::Japanese;
    std::vector<const TXYDataList*> lists;
    for (std::size_t k = 0; k < series_.size(); ++k) {
        lists.push_back(series_[k].Data);
        in.Names.push_back(SeriesTrackName(series_[k], k));
    }
    in.FirstX = XSpanOf(lists).value_or(XSelection{}).From;
    ScaleNoteSet set;
    if (const int n = RequestInRange(request_, false)
                          ? BuildNoteSet(set, request_.Scale, static_cast<std::uint8_t>(request_.Tonic),
                                         MidiNoteOfTone(request_.LowTone), MidiNoteOfTone(request_.HighTone))
                          : 0;
        n > 0)
        in.MiddleKey = set.Ascending[static_cast<std::size_t>(n / 2)];
    CueRefusal refusal;
    std::optional<std::vector<CueTrack>> tracks = CueTracks(cues, in, &refusal);
    if (!tracks) {
        cueProblem_ = refusal;
        return;
    }
    cues_ = std::move(*tracks);
    // A part keeps the cues of the X inside it (a held tone, its share; the
    // legend, before it).
    if (partX_)
        for (CueTrack& t : cues_)
            std::erase_if(t.Notes, [&](const CueNote& n) {
                return !n.Held && n.Kind != CueKind::Legend && (n.X < partX_->From || n.X > partX_->To);
            });
    // A part plays the legend first too: its notes move after it.
    if (part_ && cues.Legend && notes_) {
        const auto lead = static_cast<std::uint32_t>(series_.size() * TicksPerQuarter);
        for (std::vector<NoteSpan>& notes : *notes_)
            for (NoteSpan& n : notes) {
                n.Start += lead;
                n.End += lead;
            }
        end_ += lead;
        shift_ = shift_ >= lead ? shift_ - lead : 0;
    }
    if (part_ && cues.Ends && !Notes().empty() && !Notes().front().empty()) {
        // In a part, after the part's last note of the first series.
        std::uint32_t last = 0;
        for (const NoteSpan& n : Notes().front())
            last = std::max(last, n.End);
        const std::uint32_t at = last + shift_;
        AddEndChime(cues_, at, XOfTick(originX_, request_.DxPQN, at));
    }
    // A cue that sounds past the end (the chime) lengthens the piece to the
    // bar it ends in.
    std::uint64_t last = end_;
    for (const CueTrack& t : cues_)
        for (const CueNote& n : t.Notes)
            if (!n.Held && n.Start >= shift_ && n.Start - shift_ < end_)
                last = std::max<std::uint64_t>(last, static_cast<std::uint64_t>(n.Start) + n.Length - shift_);
    last = (last + TicksPerBar - 1) / TicksPerBar * TicksPerBar;
    if (last <= 0xFFFFFFFFu)
        end_ = static_cast<std::uint32_t>(last);
}

std::optional<XSelection> XSpanOf(const CsvLoad& load)
{
    std::vector<const TXYDataList*> lists{&load.Data};
    for (const TXYDataList& more : load.More)
        lists.push_back(&more);
    return XSpanOf(lists);
}

TPiece TPiece::Of(const CsvLoad& load, const MappingRequest& request, std::optional<XSelection> part)
{
    std::vector<SeriesTrack> series;
    if (NeedsSeriesRoad(request, 1 + load.More.size()))
        series = TracksOf(load.Data, load.More, request, load.Names,
                          request.Shape.VelocityColumn > 0 ? &load.Velocity : nullptr,
                          request.Shape.DurationColumn > 0 ? &load.Duration : nullptr);
    return TPiece(&load.Data, std::move(series), request, part);
}

double TPiece::Seconds() const
{
    return static_cast<double>(end_) / TicksPerQuarter * 60.0 / ClampTo(request_.Tempo, kMinTempo, kMaxTempo);
}

bool TPiece::Write(const std::string& path, std::string* reason) const
{
    if (cueProblem_) {
        if (reason)
            *reason = CueRefusalText(*cueProblem_, request_.Cues.English ? Language::English : Language::Japanese);
        return false;
    }
    if (request_.Cues.Any() && !series_.empty()) {
        CueWriting writing{CueEventLists(cues_, request_.Cues.Pan != PanMode::None, shift_, end_), request_.Cues.Pan,
                           request_.Cues.PanWidth, end_};
        // The whole piece is mapped while it is written, its cue tracks
        // after it; stereo by X and a part are written from their notes.
        if (!part_ && request_.Cues.Pan != PanMode::X)
            return BuildSeriesSmf(series_, request_, frames_, path, reason, &writing);
        SeriesPart chosen;
        chosen.Notes = Notes();
        chosen.End = end_;
        for (const std::vector<NoteSpan>& notes : chosen.Notes)
            chosen.Count += notes.size();
        return BuildSeriesPartSmf(series_, chosen, request_, path, reason, &writing);
    }
    if (part_) {
        std::vector<SeriesTrack> tracks = series_;
        if (tracks.empty())
            tracks.push_back({data_, request_.Program, {}});
        SeriesPart chosen;
        chosen.Notes = Notes();
        chosen.End = end_;
        for (const std::vector<NoteSpan>& notes : chosen.Notes)
            chosen.Count += notes.size();
        return BuildSeriesPartSmf(tracks, chosen, request_, path, reason);
    }
    if (!series_.empty())
        return BuildSeriesSmf(series_, request_, frames_, path, reason);
    ScaleNoteSet set;
    return BuildSmf(data_, request_, path, set, reason);
}

const std::vector<std::vector<NoteSpan>>& TPiece::Notes() const
{
    if (!notes_)
        notes_ = series_.empty() ? std::vector<std::vector<NoteSpan>>{MappedNotes(data_, request_)}
                                 : SeriesNotes(series_, request_, frames_);
    return *notes_;
}

const std::vector<std::size_t>& TPiece::First() const { return first_; }

std::vector<NoteSpan> TPiece::AllNotes() const
{
    std::vector<NoteSpan> all;
    for (const std::vector<NoteSpan>& notes : Notes())
        all.insert(all.end(), notes.begin(), notes.end());
    return all;
}

std::size_t TPiece::Count() const
{
    std::size_t count = 0;
    for (const std::vector<NoteSpan>& notes : Notes())
        count += static_cast<std::size_t>(
            std::count_if(notes.begin(), notes.end(), [](const NoteSpan& n) { return !IsRest(n); }));
    return count;
}

} // namespace varimel
