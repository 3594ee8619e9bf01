#pragma once

#include <optional>
#include <string>

#include "platform/dialog.h"

namespace vantrel {

// How the dialogs show numbers: "%.15f" and "%d", always with a decimal point,
// whatever locale the toolkit has switched the C library to.
std::string showreal(double v);
std::string showint(int v);

// The number a field holds, or nothing when its text is not one finite number
// from end to end: "12abc", "", "1e999", "nan" and "inf" are refused, never read as
// 0 or infinity. Blanks around the number and a leading '+' are allowed, and the
// whole text is read however long it is.
std::optional<double> readreal(const std::string& text);
std::optional<int> readint(const std::string& text);

// A real field whose text is still what the dialog showed for `current` gives
// `current` itself, so that OK on an untouched field keeps a value that fifteen
// decimals cannot spell and never reports it as changed.
std::optional<double> fieldreal(const DialogFields& f, int id, double current);
std::optional<int> fieldint(const DialogFields& f, int id);

}  // namespace vantrel
