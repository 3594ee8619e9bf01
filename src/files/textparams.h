#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "state/param.h"

namespace vantrel {

// The readable parameter file: "key = value" lines in UTF-8, one per field of the
// binary record under the field's own name, and beside them what the record cannot
// hold: an iteration limit past 16384 and a view in arbitrary precision (its centre
// and width as decimal text of any length). Blank lines and lines starting with '#'
// are comments. The first line that is not a comment names the format and its
// version, so that a later version is refused instead of misread.
struct TextParams {
    PARAM p;                    // maxiter may reach textmaxiter here
    std::string re, im, width;  // the deep view of set type p.ftype; all empty when none
};

constexpr int textmaxiter = 2'000'000'000;
// Where a text file stops being a parameter file, whatever it holds.
constexpr std::size_t textlimit = 1 << 20;

// The file's text; doubles written in their shortest form that reads back exactly.
std::string encodetext(const TextParams& t);

// The parameters of a text file, or nothing when it is not one: a line that is not
// "key = value", a key unknown, missing or given twice, a value that is not wholly a
// number of its kind, or a field outside the range the program can hold.
std::optional<TextParams> decodetext(std::string_view text);

// True when the bytes begin as a text parameter file does (the binary record never
// does), so that a loader can tell the two kinds apart by their content.
bool looksliketext(std::string_view head);

}  // namespace vantrel
