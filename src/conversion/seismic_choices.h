#pragma once
// What the seismic road reads of each trace, named once: the choices of the
// window's lists "Header word for XY" (Combo5) and "Point label" (Combo7)
// with their captions, the command's -p and -l words and its usage text,
// and the header word each one reads. The readers know header positions
// only; captions and words stop here.
//
// Besides the listed choices, a 32-bit word at any byte of the trace header
// (1 to 237), in the file's byte order, X and Y divided as the listed pairs
// are: typed in the window as "X,Y at bytes 201,205" or "Word at byte 5",
// given to the command as "-p 201,205" or "-l 5".

#include "base/result.h"
#include "readers/seismic_words.h"
#include "readers/trace_extraction.h"

#include <string>
#include <string_view>

namespace marovin {

struct PairChoice {
    std::string_view caption; // as the window's list shows it
    std::string_view word;    // the command's, in any case
    std::string_view name;    // in sentences: "the source pair"
    CoordinatePair pair;
};

// In the order of the window's list. Any text the list does not hold, the
// typed form aside, is the receiver pair.
inline constexpr PairChoice kPairChoices[] = {
    {"X,Y source coordinate", "source", "source", {TraceWord::SourceX, TraceWord::SourceY}},
    {"X,Y receiver coordinate", "receiver", "receiver", {TraceWord::GroupX, TraceWord::GroupY}},
    {"X,Y CDP coordinate", "cdp", "CDP", {TraceWord::CdpX, TraceWord::CdpY}},
};
inline constexpr CoordinatePair kDefaultPair{TraceWord::GroupX, TraceWord::GroupY};

struct LabelChoice {
    std::string_view caption; // as the window's list shows it
    std::string_view word;    // the command's, in any case; empty: a list entry only
    HeaderPosition position;
};

// In the order of the window's list; "." and the empty text choose the
// ensemble number, as any text the list does not hold does. The window
// takes a caption or a word as it is written, case included ("cdp" is the
// ensemble number by default, not by name).
inline constexpr LabelChoice kLabelChoices[] = {
    {".", "", TraceWord::Ensemble},
    {"FFID", "FFID", TraceWord::FieldRecord},
    {"CDP", "CDP", TraceWord::Ensemble},
    {"Trace", "Trace", TraceWord::TraceSequence},
    {"Shot Point", "SP", TraceWord::SourcePoint},
    {"", "", TraceWord::Ensemble},
    {"Inline", "Inline", TraceWord::Inline},
    {"Crossline", "Crossline", TraceWord::Crossline},
};
inline constexpr HeaderPosition kDefaultLabel = TraceWord::Ensemble;

// The window's texts: the pair and the label word a box's text chooses.
// Fails, naming what is wrong, only for the typed forms ("X,Y at bytes
// 201,238": byte 238 is outside the trace header).
Result<CoordinatePair> pair_of_caption(std::string_view text);
Result<HeaderPosition> label_of_caption(std::string_view text);

// The command's words: a word of the choices in any case (a label also by
// its caption, "Shot Point"), or the bytes: "201,205" for a pair, "5" for
// a label. Fails, naming what is wrong.
Result<CoordinatePair> pair_of_word(std::string_view word);
Result<HeaderPosition> label_of_word(std::string_view word);

// The typed captions of words at any byte: "X,Y at bytes 201,205",
// "Word at byte 5".
std::string typed_pair_caption(CoordinatePair pair);
std::string typed_label_caption(HeaderPosition position);

// A pair in sentences: "receiver coordinates", "coordinates at bytes
// 201,205".
std::string pair_coordinates(CoordinatePair pair);

} // namespace marovin
