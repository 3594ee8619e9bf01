#pragma once

#include "state/palette.h"

namespace vantrel {

// The parameter record; its 984 bytes, field after field, are a parameter file.
struct PARAM {
    int ftype = 0;
    int method = 0;
    int maxiter = 0;
    int exponent = 0;
    int outside = 0;
    int inside = 0;
    int rray = 0;
    int gray = 0;
    int bray = 0;
    Palette palette{};
    double mxmin = 0, mxmax = 0, mymin = 0, mymax = 0;
    double jxmin = 0, jxmax = 0, jymin = 0, jymax = 0;
    double exmin = 0, exmax = 0, eymin = 0, eymax = 0;
    double jcx = 0, jcy = 0;
    double maxsize = 0;
    int period = 0;
    int mapping = 0;
    int plbkgd = 0;
    int raymode = 0;
    int num = 0;
    int den = 0;
    double slope = 0;
    double bailout = 0;
    int okorbits = 0;
    int oklines = 0;
    int okescher = 0;
    int okinvert = 0;
    int tiaflag = 0;

    bool operator==(const PARAM&) const = default;
};

}  // namespace vantrel
