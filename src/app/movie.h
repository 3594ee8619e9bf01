#pragma once

#include <string>

namespace vantrel {

struct MovieOptions {
    std::string start, end;  // parameter files (or PNG images) of the first and last view
    std::string output;      // frame names with one %d (or %05d and the like) for the number
    int frames = 0;
    int first = 0, last = -1;  // the frames rendered, counted from 0; -1: to the last
    int xres = 600, yres = 600;
    bool sized = false;
    int threads = -1;
    bool simd = true;
    int aa = 1;  // anti-aliasing: samples per pixel side
};

// Renders the frames of a zoom from the view of `start` to that of `end`: the width
// changes by the same factor from frame to frame (a constant zoom speed), and the
// centre moves in step with the width, so that both ends are met exactly. Every
// frame is a pure function of the two files, its number and the frame count, so
// that frames rendered by separate runs (--range) are the same files. Colorings
// and palette are those of `start`. Returns the process exit status.
int rendermovie(const MovieOptions& options);

}  // namespace vantrel
