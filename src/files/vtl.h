#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "state/app.h"
#include "state/param.h"

namespace vantrel {

constexpr std::size_t paramsize = 984;
using ParamBytes = std::array<std::uint8_t, paramsize>;

// The record as file bytes: fields in order, packed, little-endian, on any machine.
ParamBytes encodeparam(const PARAM& p);
PARAM decodeparam(const ParamBytes& bytes);

// True when every field holds a value the program itself can hold, so that a
// loaded record can never index past a table or feed the renderer a non-number.
bool validparam(const PARAM& p);

PARAM paramfromstate(const State& s);
void paramtostate(const PARAM& p, State& s);

// The extension of the text parameter files.
constexpr const char* textextension = "vantrel";

// True when the parameters need the text file: the record cannot hold them.
bool needstext(const State& s);

// Writes the parameters to `svtlfile` (option 0) or beside the image just saved,
// `tgafile` ending in "vtl" instead (option 1). Parameters the record cannot hold
// are written as a text parameter file, the name's extension made "vantrel"
// (`svtlfile` and `svtlfiletitle` say where). 0 written, else a `saveerror` code.
int writevtl(App& app, int option);

// The parameters of the state in the text parameter format, as a PNG image
// carries them.
std::string paramtext(const State& s);

// Reads `ovtlfile`, a binary record, a text parameter file or a PNG image that
// carries parameters, and records its view in the history; a file without a deep
// view ends the deep view of its set type. 0 loaded; 1 when the file cannot be
// read, is not a regular file or not a parameter file, or holds a deep view that
// cannot be drawn (`why` then says why), and then nothing is changed.
int loadvtl(App& app, std::string* why = nullptr);

}  // namespace vantrel
