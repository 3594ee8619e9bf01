#include "state/bigfloat.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>

namespace vantrel {

BigFloat::BigFloat(long bits) {
    mpfr_init2(v_, bits);
    mpfr_set_zero(v_, 1);
}

BigFloat::BigFloat(double v, long bits) {
    mpfr_init2(v_, bits);
    mpfr_set_d(v_, v, MPFR_RNDN);
}

BigFloat::BigFloat(const BigFloat& other) {
    mpfr_init2(v_, mpfr_get_prec(other.v_));
    mpfr_set(v_, other.v_, MPFR_RNDN);
}

BigFloat::BigFloat(BigFloat&& other) noexcept : BigFloat(other) {}

BigFloat& BigFloat::operator=(const BigFloat& other) {
    if (this != &other) {
        mpfr_set_prec(v_, mpfr_get_prec(other.v_));
        mpfr_set(v_, other.v_, MPFR_RNDN);
    }
    return *this;
}

BigFloat& BigFloat::operator=(BigFloat&& other) noexcept {
    mpfr_swap(v_, other.v_);
    return *this;
}

BigFloat::~BigFloat() {
    mpfr_clear(v_);
}

void BigFloat::setbits(long bits) {
    mpfr_prec_round(v_, bits, MPFR_RNDN);
}

std::string BigFloat::text() const {
    // mpfr_get_str with 0 digits gives enough of them to read the value back.
    mpfr_exp_t exp = 0;
    char* digits = mpfr_get_str(nullptr, &exp, 10, 0, v_, MPFR_RNDN);
    std::string d = digits;
    mpfr_free_str(digits);
    if (mpfr_zero_p(v_)) return "0";
    std::string sign;
    if (d[0] == '-') {
        sign = "-";
        d.erase(0, 1);
    }
    while (d.size() > 1 && d.back() == '0') d.pop_back();
    std::string out = sign;
    out += d[0];
    if (d.size() > 1) {
        out += '.';
        out.append(d, 1);
    }
    out += 'e';
    out += std::to_string(exp - 1);
    return out;
}

bool parsebig(const std::string& text, BigFloat* out, long bits) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return false;
    const auto last = text.find_last_not_of(" \t\r\n");
    const std::string t = text.substr(first, last - first + 1);
    // Sign, digits with at most one point, an optional exponent: no hex, no
    // "inf" or "nan", which MPFR's reader would take.
    std::size_t k = 0, digits = 0;
    if (t[k] == '+' || t[k] == '-') ++k;
    bool point = false;
    for (; k < t.size(); ++k) {
        if (std::isdigit(static_cast<unsigned char>(t[k])))
            ++digits;
        else if (t[k] == '.' && !point)
            point = true;
        else
            break;
    }
    if (digits == 0) return false;
    if (k < t.size() && (t[k] == 'e' || t[k] == 'E')) {
        ++k;
        if (k < t.size() && (t[k] == '+' || t[k] == '-')) ++k;
        const std::size_t start = k;
        while (k < t.size() && std::isdigit(static_cast<unsigned char>(t[k]))) ++k;
        if (k == start || k - start > 9) return false;
    }
    if (k != t.size()) return false;
    // log2(10) < 3.33 bits a digit, and a margin so that the last one is exact.
    if (bits <= 0) bits = std::max(64L, static_cast<long>(digits * 10 / 3) + 64);
    BigFloat v(bits);
    if (mpfr_set_str(v.get(), t.c_str(), 10, MPFR_RNDN) != 0 || !mpfr_number_p(v.get()))
        return false;
    *out = std::move(v);
    return true;
}

}  // namespace vantrel
