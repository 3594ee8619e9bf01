#include "render/complex.h"

#include <cmath>

namespace vantrel {

void invert(double* x, double* y, double radius) {
    if (*x == 0 && *y == 0) return;
    double modulus = std::sqrt(*x * *x + *y * *y);
    if (modulus == 0) modulus = 1e-12;  // the squares underflowed
    double theta = std::acos(*x / modulus);
    if (*y < 0) theta = 6.283185307179586 - theta;
    modulus = radius * radius / modulus;
    *x = std::cos(theta) * modulus;
    *y = std::sin(theta) * modulus;
}

}  // namespace vantrel
