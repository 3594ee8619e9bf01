#pragma once

#include <mpfr.h>

#include <string>

namespace vantrel {

// A real number in MPFR: as many bits as it was made with, and MPFR's exponent
// range (far past a double's, 10^-1000 and beyond). A value type: copies are deep.
class BigFloat {
  public:
    explicit BigFloat(long bits = 64);
    BigFloat(double v, long bits);
    BigFloat(const BigFloat& other);
    BigFloat(BigFloat&& other) noexcept;
    BigFloat& operator=(const BigFloat& other);
    BigFloat& operator=(BigFloat&& other) noexcept;
    ~BigFloat();

    long bits() const { return static_cast<long>(mpfr_get_prec(v_)); }
    // Changes the precision, rounding the value to it.
    void setbits(long bits);
    double todouble() const { return mpfr_get_d(v_, MPFR_RNDN); }
    // Shortest decimal text that reads back to the same value at this precision.
    std::string text() const;

    mpfr_ptr get() { return v_; }
    mpfr_srcptr get() const { return v_; }

  private:
    mpfr_t v_;
};

// Reads a whole decimal number ("-1.25", "3e-250", "0.000...1"; surrounding white
// space allowed, nothing else) at `bits`, or with 0 at enough bits for every digit
// written. False for anything else, infinities and NaN included; *out is left as
// it was then. text() read back at the value's own bits gives the value again.
bool parsebig(const std::string& text, BigFloat* out, long bits = 0);

}  // namespace vantrel
