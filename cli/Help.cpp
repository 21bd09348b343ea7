// SPDX-License-Identifier: MIT
#include "Help.h"

#include "Options.h"
#include "data/Importer.h"
#include "music/Mapping.h"
#include "music/Scale.h"

#include <cstdio>
#include <string>

namespace varimel::cli {

namespace {

// The scales by number, word and Japanese name, two to a line.
std::string ScaleList()
{
    std::string out = "\nScales (--scale takes the number, the word or either name):\n";
    for (int i = 0; i < kScaleCount; ++i) {
        char line[160];
        std::snprintf(line, sizeof line, "  %2d %-26s %s\n", i, ScaleKeyword(i).c_str(),
                      std::string(ScaleName(i, Language::Japanese)).c_str());
        out += line;
    }
    return out;
}

} // namespace

std::string Usage()
{
    const auto n = [](long long v) { return std::to_string(v); };
    return "Usage: varimel-render [options] INPUT.csv OUTPUT.mid\n"
           "       varimel-render [options] --wav OUTPUT.wav INPUT.csv [OUTPUT.mid]\n"
           "       varimel-render [reading options] --summary-json INPUT.csv\n"
           "       varimel-render [options] -o DIR INPUT.csv...\n"
           "       varimel-render [options] --send PORT INPUT.csv [OUTPUT.mid]\n"
           "       varimel-render --list-ports\n"
           "Maps the Y values of a CSV file of X,Y pairs onto a musical scale and\n"
           "writes a two-track Standard MIDI File (OUTPUT.mid may be - for standard\n"
           "output).\n"
           "\n"
           "Options:\n"
           "  --scale N            scale number 0.." +
           n(kScaleCount - 1) + " or its name (default " + n(kDefaultScale) +
           "; the list below)\n"
           "  --tonic N            pitch class 0..11 (default " +
           n(kDefaultTonic) +
           ")\n"
           "  --low TONE           lowest tone: a tone label (C4, B♭0; Bb0 and Eb4\n"
           "                       accepted too) or a MIDI note " +
           n(kLowestTone) + ".." + n(kHighestTone) + " (default " + ToneLabel(kDefaultLowTone) +
           ")\n"
           "  --high TONE          highest tone (default " +
           ToneLabel(kDefaultHighTone) +
           ")\n"
           "  --dx X               X increment per quarter note (default: the mean\n"
           "                       X interval of the data)\n"
           "  --tempo BPM          quarter notes per minute, " +
           n(kMinTempo) + ".." + n(kMaxTempo) + " (default " + n(kDefaultTempo) +
           ")\n"
           "  --velocity V         note-on velocity, " +
           n(kMinVelocity) + ".." + n(kMaxVelocity) + " (default " + n(kDefaultVelocity) +
           ")\n"
           "  --duration D         sounding part of each note, 0 < D <= 1 (default " +
           std::string(kDefaultDurationText) +
           ")\n"
           "  --program N          General MIDI program 0.." +
           n(kProgramCount - 1) + " (default " + n(kDefaultProgram) +
           ");\n"
           "                       with several Y columns one for all or one each (0,73)\n"
           "  --no-program-change  write no program change\n"
           "  --summary-json       also print the data summary as one JSON object (with\n"
           "                       INPUT.csv alone: only that, no checks, no files); with\n"
           "                       several series also \"series\": each column's records,\n"
           "                       ymin and ymax\n"
           "  --wav FILE           also (or only) render the piece to a WAV file through\n"
           "                       the General MIDI SoundFont, faster than real time\n"
           "  --audio FILE         like --wav, in the format of the file's extension:\n"
           "                       .wav, .flac or .ogg (Ogg Vorbis); 44.1 kHz 16-bit stereo\n"
           "  --gain DB            audio at a fixed gain of DB (-60 to 60) instead of\n"
           "                       normalised to a peak of -1 dBFS (the default)\n"
           "  --no-normalize       audio at the synthesizer's own level (as before)\n"
           "  --soundfont FILE     SoundFont for --wav (default: [Playback] SoundFont of\n"
           "                       the settings file, else the system's GM SoundFont)\n"
           "  --settings FILE      take the mapping and reading options from a settings\n"
           "                       file of the window (its X increment is not used; a\n"
           "                       pipe or /dev/stdin works; at most 1 MiB); options on\n"
           "                       the line win, an X option over the file's whole X\n"
           "                       choice. The window's own is\n"
           "                       ~/.config/Korvath/Varimel/Varimel.ini\n"
           "  --notes-csv FILE     also write the value-to-note table: one row per note,\n"
           "                       x,y,note,name,start_tick,end_tick,start_seconds\n"
           "                       (and series, the Y column or the group, with several\n"
           "                       series; and x_text, the date, with --x-date)\n"
           "  --lang ja|en         the language of the messages the window shares (the\n"
           "                       skipped-lines line, a file not read or written, a\n"
           "                       setting refused); default: Japanese under a Japanese\n"
           "                       locale (LC_ALL, LC_MESSAGES or LANG), else English\n"
           "  --send PORT          also play the piece to a MIDI port in real time and end\n"
           "                       with it: a port as --list-ports shows it (its address\n"
           "                       or name, alsa:NAME or jack:NAME), or alsa or jack for\n"
           "                       Varimel's own port only, which other programs connect\n"
           "                       to; SIGINT or SIGTERM silences the port (All Sound Off,\n"
           "                       All Notes Off on every channel) and exits 130 or 143\n"
           "  --list-ports         print the MIDI ports a piece can be sent to, one per\n"
           "                       line: alsa or jack, the address and the name, by tabs;\n"
           "                       exit 1 when neither the ALSA sequencer nor a JACK\n"
           "                       server is there\n"
           "  -h, --help           show this help\n"
           "\n"
           "Many inputs:\n"
           "  -o, --out-dir DIR    write DIR/<name>.mid for every INPUT.csv given (DIR\n"
           "                       must be a folder that exists: else a usage error)\n"
           "  -j N                 render N files at a time (default: one per processor)\n"
           "  --audio-format F     also write DIR/<name>.F, F being wav, flac or ogg\n"
           "  --notes-csv DIR      with -o: the tables as DIR/<name>.notes.csv\n"
           "  One line per file on standard error; the exit status is that of the\n"
           "  first file not written (in argument order), 0 when all were.\n"
           "\n"
           "Reading options:\n"
           "  A field N may also be given by its header's name (the first line that is\n"
           "  not blank, matched exactly or else ignoring case): --y-column close.\n"
           "  --x-column N         X from field N (default 1)\n"
           "  --x-line             X is the line's number in the file (the first is 1)\n"
           "  --x-date             X is a date: YYYY-MM-DD, YYYY/M/D, YYYY-MM, optionally\n"
           "                       with a time h:mm[:ss[.fff]] and Z or +hh:mm; X counts days\n"
           "  --y-column N[,N...]  Y from field N (default 2); several fields make several\n"
           "                       series (at most 15), one track, channel and instrument\n"
           "                       each, heard together; a series rests on a line without\n"
           "                       its value; the track is named after the column's header\n"
           "  --shared-range       map every series over one common Y range (default: each\n"
           "                       over its own)\n"
           "  --date-order ORDER   with --x-date, a date that does not start with the\n"
           "                       year: dmy (31/12/1999) or mdy (12/31/1999); default ymd\n"
           "                       (such dates are no dates). Month names (Jan 1 2000,\n"
           "                       1 Jan 2000, January 1, 2000) and 2000年1月1日 are read\n"
           "                       in any order\n"
           "  --separator S        what separates fields: auto (a comma, or ';' with\n"
           "                       --decimal-comma, and blanks; the default), comma,\n"
           "                       semicolon or tab alone (blanks then belong to the field),\n"
           "                       or space (blanks alone)\n"
           "  --decimal-comma      numbers use ',' as decimal point; ';' or a tab separates\n"
           "                       fields; thousands may be grouped in threes by a blank, a\n"
           "                       no-break space or '.' (1 234,5 or 1.234.567,8)\n"
           "  --where N=VALUE      only the rows whose field N is VALUE (its text, exactly);\n"
           "                       repeated: each field one of its values. Other rows are\n"
           "                       left out, not skipped: \"N line(s) left out by --where\"\n"
           "  --split-by N         one series per value of field N, in order of first\n"
           "                       appearance (at most 15; more is an error), each track\n"
           "                       named by its value; one Y column only\n"
           "  --x-from A, --x-to B only the notes of the records with A <= X <= B (dates with\n"
           "                       --x-date), exactly as the whole piece has them, starting\n"
           "                       at the first of them; outside the data's X is an error\n"
           "\n"
           "Shape of the mapping (default: linear over the data's own minimum and maximum):\n"
           "  --invert             the highest value gives the lowest note\n"
           "  --y-scale linear|log with log the mapping uses log10(Y); a line with Y <= 0 is\n"
           "                       skipped (y-not-positive)\n"
           "  --clip P             the P-th and (100-P)-th percentiles (nearest rank) are the\n"
           "                       ends, 0 <= P < 50; values beyond take the end notes\n"
           "  --y-range MIN:MAX    map over MIN..MAX instead of the data's; values outside\n"
           "                       take the end notes (notes comparable between files)\n"
           "  --velocity-column N  each note's velocity from field N of its line, over the\n"
           "                       field's own range into\n"
           "  --velocity-range LO:HI  LO..HI (default 40:127); no number there: --velocity\n"
           "  --duration-column N  each note's share of the gap from field N likewise into\n"
           "  --duration-range LO:HI  LO..HI (default 0.2:1.0); no number: --duration\n"
           "  --rest-below V[,V...] a record whose Y is V or less is a rest (silent): one V\n"
           "                       for every series or one each, - for none (rain on a\n"
           "                       dry day: --rest-below -,0)\n"
           "  With a shape, --notes-csv adds velocity,length_ticks and --summary-json a\n"
           "  \"shape\" object.\n"
           "\n"
           "Sounds beside the notes (each a track of its own; none by default):\n"
           "  --x-tick STEP        a tick every STEP of X from the first X (with --x-date\n"
           "                       also day, week, month or year: at calendar starts); at\n"
           "                       most 500 ticks; a wood block on channel 10, a major\n"
           "                       tick lower and louder with a Marker naming it\n"
           "  --x-tick-major N     a major tick every N ticks (default 5; dates: the next\n"
           "                       larger unit: a month, a year, a decade)\n"
           "  --ref-y V[,V...]     a soft reference tone at the note V maps to (V within\n"
           "                       the first series' mapped range)\n"
           "  --ref-mode hold|tick held under the whole piece (default) or struck at every\n"
           "                       tick (every bar without ticks)\n"
           "  --mark-y V           a rising two-note figure where the first series goes\n"
           "                       above V, a falling one where it goes back\n"
           "  --cue-ends           a chime after the last note\n"
           "  --legend             before the piece, each series' instrument once at the\n"
           "                       middle note, a beat each, with a Marker of its name\n"
           "  --cue-gaps           a low tone where the first series misses a line, or\n"
           "                       where X jumps more than --gap-factor F (default 3) mean\n"
           "                       steps\n"
           "  --pan none|x|series  stereo: each note from left to right by X, or each\n"
           "                       series at its own place (cues stay centred)\n"
           "  --pan-width W        how wide, 0..100 percent (default 100)\n"
           "  With cues, --notes-csv adds a last column kind: note, tick, ref, mark, end\n"
           "  or gap.\n"
           "\n"
           "  --report FILE        write every skipped line as line<TAB>reason<TAB>text\n"
           "                       (- for standard output); reasons: empty, missing-column,\n"
           "                       x-not-number, y-not-number, x-not-date, out-of-range,\n"
           "                       too-long, y-not-positive; with several series a fourth\n"
           "                       column names the Y column of each value a series misses\n"
           "\n"
           "A file the reading makes nothing of gets a hint with the options that read\n"
           "it (\"hint: try --x-date --y-column 3\"; with --split-by N for rows of\n"
           "several groups one after another).\n"
           "Exit status: 0 written, 1 the CSV file could not be read, a file not\n"
           "written (a read-only output is never replaced: \"read-only: not\n"
           "replaced\") or the summary not printed, 2 usage error (also an output that\n"
           "is an input or another output), 3 a parameter was refused; with --send\n"
           "also 1 no such port or it went away mid-play, 128 + a signal that ended\n"
           "the play. A failure's second line gives the path and the reason.\n" +
           ScaleList();
}

} // namespace varimel::cli
