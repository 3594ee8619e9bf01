#pragma once

#include <signal.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "files/savefile.h"
#include "platform/surface.h"

namespace vantrel {

// True when the output name asks for a movie file (.mp4, .mkv, .webm or .mov, in
// any case) rather than one image file per frame.
bool moviefilename(const std::string& path);

// A movie file made by ffmpeg, one process for the whole movie, from frames piped
// to it as raw RGB rows. ffmpeg writes the file as a SaveFile, which takes the
// target's place only once ffmpeg has succeeded; a movie that fails or is
// abandoned leaves no file behind. Frames of an odd width or height lose their
// last column or row, since the usual players want even sizes.
class MovieEncoder {
  public:
    MovieEncoder() = default;
    MovieEncoder(const MovieEncoder&) = delete;
    MovieEncoder& operator=(const MovieEncoder&) = delete;
    // An encoder not finished is abandoned: ffmpeg ends and its file goes.
    ~MovieEncoder();

    // Starts ffmpeg for frames of width x height at `fps` frames a second; a
    // message when it cannot (ffmpeg missing, the file not writable), else empty.
    std::string open(const std::string& path, int width, int height, int fps);
    // The next row, top first, frame after frame; false once ffmpeg has stopped
    // reading.
    bool row(const Rgb* pixels);
    // Ends the movie: empty once the file is in place, else a message.
    std::string finish();

  private:
    int stop();

    std::string path_;
    SaveFile file_;
    int height_ = 0;  // of the frames given
    int rows_ = 0;    // given so far
    int pipe_ = -1;   // ffmpeg's standard input
    pid_t child_ = -1;
    struct sigaction pipesignal_ {};  // as it was before ffmpeg started
    std::vector<unsigned char> line_;
};

}  // namespace vantrel
