#pragma once

// The values of the state's mode and method ints, by name. The ints themselves stay
// what parameter files and dialogs store (a dialog's button k stands for value k),
// so every name keeps the value it has always had.

namespace vantrel {

// `outside`: how an escaped orbit is colored.
namespace outside {
constexpr int solidcolor = 0;
constexpr int levelsets = 1;
constexpr int smoothing = 2;
constexpr int continuouspotential = 3;
constexpr int equipotentiallines = 4;  // drawn whole by the first-image renderer
constexpr int binarydecomposition = 5;
constexpr int binaryblackwhite = 6;  // "Binary Decomposition: B / W"
constexpr int peitgenbands = 7;      // "Peitgen Band Decomposition"
constexpr int fieldlines = 8;        // "Field Line Gradients"
constexpr int tia = 9;               // "Triangle Inequality Average"
constexpr int smoothingtia = 10;
constexpr int potentialtia = 11;  // "CP + TIA"
constexpr int integertia = 12;
constexpr int kirlian = 13;    // "'Kirlian' Decomposition"
constexpr int biomorphs = 14;  // "Pickover Biomorphs"
constexpr int speciesoforigin = 15;
constexpr int cardioid = 16;
constexpr int nplusrealz = 17;  // "N + Real ( Z )"
constexpr int distanceestimator = 18;
constexpr int count = 19;         // the methods the dialog offers: 0 .. count - 1
constexpr int orbittracing = 20;  // set only by orbit tracing mode
}  // namespace outside

// `inside`: how an orbit that stayed bounded is colored.
namespace inside {
constexpr int solidcolor = 0;
constexpr int zmag = 1;
constexpr int bof33 = 2;
constexpr int bof34 = 3;
constexpr int zxabszy = 4;          // "zx * abs(zy)"
constexpr int abszxabszy = 5;       // "abs(zx) * abs(zy)"
constexpr int atansizeabszy = 6;    // "atan(size, abs(zy))"
constexpr int atanxyzysquared = 7;  // "atan(x * y, zy^2)"
constexpr int atansinxabszy = 8;    // "atan(sin(x), abs(zy))"
constexpr int atanatansinsize = 9;  // "atan(atan(sin(size), 20), abs(zy))"
constexpr int zxatanzxcx = 10;      // "zx * atan((zx - cx) * abs(zy))"
constexpr int tia = 11;             // "Triangle Inequality Average"
constexpr int epsiloncross = 12;
constexpr int angulardecomposition = 13;
constexpr int distanceestimator = 14;
constexpr int count = 15;         // the methods the dialog offers: 0 .. count - 1
constexpr int orbittracing = 20;  // set only by orbit tracing mode
constexpr int peitgenblack = 30;  // in force while a Peitgen band image is drawn
}  // namespace inside

// `ftype`: which set the image shows; also the index of its view history.
namespace settype {
constexpr int mandelbrot = 0;
constexpr int julia = 1;
}  // namespace settype

// `method`: the colors as they are, or turned into a grey height field.
namespace coloringmethod {
constexpr int heightfield = 0;
constexpr int image = 1;
}  // namespace coloringmethod

// `tiaflag`: the variant of the triangle inequality average. The two after KX
// compare squared sizes, so the escape radius is the square root of maxsize.
namespace tiaalgorithm {
constexpr int kx = 0;
constexpr int damienjones = 1;
constexpr int kerrymitchell = 2;
constexpr int count = 3;
}  // namespace tiaalgorithm

// `okjulia`: whether a Julia preview can be asked for, or is on the screen.
namespace juliapreview {
constexpr int unavailable = 0;
constexpr int available = 1;  // a Mandelbrot image is complete
constexpr int shown = 2;
}  // namespace juliapreview

// `mapping`: how field line gradients map the external angle to the palette.
namespace fieldmapping {
constexpr int radial = 0;
constexpr int radialreflected = 1;
}  // namespace fieldmapping

// `plbkgd`: the background of equipotential lines.
namespace plotbackground {
constexpr int white = 0;
constexpr int darkgradient = 1;
}  // namespace plotbackground

// `raymode`: one external ray, or every ray of the denominator.
namespace raymode {
constexpr int single = 0;
constexpr int all = 1;
}  // namespace raymode

// The variants whose size is |z|^2 rather than |z|, for every coloring of the image.
constexpr bool squaredsize(int tiaflag) {
    return tiaflag == tiaalgorithm::damienjones || tiaflag == tiaalgorithm::kerrymitchell;
}

// The outside methods built on the triangle inequality average.
constexpr bool outsidetia(int outsidemethod) {
    return outsidemethod >= outside::tia && outsidemethod <= outside::integertia;
}

// Any triangle inequality average, outside or inside: these raise the escape limit.
constexpr bool tiamethod(int outsidemethod, int insidemethod) {
    return outsidetia(outsidemethod) || insidemethod == inside::tia;
}

// The averages whose terms follow `tiaflag` (Integer TIA has terms of its own); with
// inside TIA an Integer TIA image sums these too.
constexpr bool tiasums(int outsidemethod, int insidemethod) {
    return (outsidemethod >= outside::tia && outsidemethod <= outside::potentialtia) ||
           insidemethod == inside::tia;
}

// Level Sets with a solid inside, the default, sees only whether an orbit escaped
// and its step count.
constexpr bool colorsbycount(int outsidemethod, int insidemethod) {
    return outsidemethod == outside::levelsets && insidemethod == inside::solidcolor;
}

// A distance estimator outside or inside: the image needs the range pass first and
// the derivative along every orbit.
constexpr bool distanceestimate(int outsidemethod, int insidemethod) {
    return outsidemethod == outside::distanceestimator || insidemethod == inside::distanceestimator;
}

// Species of Origin and Cardioid keep their own record of the orbit, which inside
// TIA's sums would take the place of.
constexpr bool incompatiblemethods(int outsidemethod, int insidemethod) {
    return (outsidemethod == outside::speciesoforigin || outsidemethod == outside::cardioid) &&
           insidemethod == inside::tia;
}

}  // namespace vantrel
