#include "state/state.h"

namespace vantrel {

const char* const saveerror[3] = {"Error opening a save file.",
                                  "Not enough memory to buffer image lines.",
                                  "Error writing to save file."};

const char* const paramerror[15] = {
    "xmax must be greater than xmin\nby at least 0.00000001",
    "ymax must be greater than ymin\nby at least 0.00000001",
    "xres range: 32 - 9600",
    "yres range: 32 - 9600",
    "iteration range: 1 - 16384",
    "maxsize/bailout range: 2.0 - 1.0E30",
    "slope range: 50.0 - 5000.0",
    "TIA maxsize/bailout range: 8.0 - 1.0E30",
    "color range: 0 - 255",
    "period range: 1 - 64",
    "numerator range: 0 - (denominator - 1)",
    "denominator range: 1 - 256",
    "Species of Origin and Cardioid are\n\n   incompatible with inside TIA.",
    "exponent range: 2 - 17",
    "scale range: 1 - 256"};

const char* const errormessage[3] = {"Couldn't register window class.", "Couldn't create window.",
                                     "Couldn't initialize graphics."};

}  // namespace vantrel
