#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/surface.h"

namespace vantrel {

// The keyword of the text chunk that carries an image's parameters, in the text
// parameter format, so that the image can bring its view back.
constexpr const char* pngkeyword = "vantrel-parameters";

// A PNG image written row by row, top first, as the rows are finished, so that an
// image of any size needs no more than one row in memory. The file is saved as
// SaveFile saves: nothing of it is in place before `commit` succeeds.
class PngWriter {
  public:
    PngWriter();
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;
    ~PngWriter();

    // 0, else a save-error code: 1 the file cannot be made, 2 no memory for the
    // encoder. `params` goes into the text chunk before the pixels.
    int open(const std::string& path, int width, int height, const std::string& params);
    // False once a write has failed.
    bool row(const Rgb* pixels);
    // 0 once the file is in place, else 3.
    int commit();

    struct Encoder;

  private:
    std::unique_ptr<Encoder> e_;
};

// The whole surface as a PNG image; 0 saved, else a save-error code.
int writepng(const Surface& hdc, const std::string& path, const std::string& params);

// True when the file name ends in ".png" (in any case): the name chooses the format
// an image is saved in.
bool pngname(const std::string& path);

// True when the bytes begin with the PNG signature.
bool lookslikepng(std::string_view head);

struct PngParams {
    std::string text;  // the parameter text of the chunk
    int width = 0, height = 0;
};

// The parameters of a PNG image from its first bytes (our chunk comes before the
// pixels, so the pixels need not be read), or nothing when the bytes are not a PNG
// or it carries no parameters of ours.
std::optional<PngParams> readpngparams(std::string_view head);

// The same from a file; nothing also when it cannot be read.
std::optional<PngParams> readpngfile(const std::string& path);

}  // namespace vantrel
