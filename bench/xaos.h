#pragma once

namespace vantrel::bench {

// Whole batch renders, start-up and PNG writing included, against XaoS's own
// `-render` of the same view and size, in the same run; prints the ratios of the
// medians. Skipped (with a line saying so) when xaos is not installed.
void xaosbench(const char* only);

}  // namespace vantrel::bench
