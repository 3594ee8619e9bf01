#include "state/deepview.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace vantrel {
namespace {

BigFloat big(const char* text) {
    BigFloat v;
    EXPECT_TRUE(parsebig(text, &v)) << text;
    return v;
}

TEST(BigFloat, DecimalTextReadsExactlyAndRoundTrips) {
    // Every digit of a long centre counts: two numbers apart in the 300th digit differ.
    const std::string a = "-0.7" + std::string(298, '0') + "1";
    const std::string b = "-0.7" + std::string(298, '0') + "2";
    EXPECT_FALSE(mpfr_equal_p(big(a.c_str()).get(), big(b.c_str()).get()));
    for (const char* text : {"0", "1", "-2.5", "1e-1000", "3.14159e+300", "  42  ", a.c_str()}) {
        const BigFloat v = big(text);
        BigFloat back;
        ASSERT_TRUE(parsebig(v.text(), &back, v.bits())) << v.text();
        EXPECT_TRUE(mpfr_equal_p(v.get(), back.get())) << text << " -> " << v.text();
    }
    // Far past doubles' range, and not zero.
    const BigFloat tiny = big("1e-1000");
    EXPECT_GT(mpfr_sgn(tiny.get()), 0);
    EXPECT_EQ(tiny.text().substr(0, 2), "1.");
    EXPECT_NE(tiny.text().find("e-1000"), std::string::npos);
    EXPECT_EQ(big("2.5").text(), "2.5e0");
}

TEST(BigFloat, AnythingButADecimalNumberIsRefused) {
    BigFloat v = big("7");
    for (const char* text : {"", " ", "abc", "1.2.3", "1e", "1e+", "--1", "0x10", "inf", "nan",
                             "1,5", "1 2", "1e5x", ".", "e5", "1e1234567890"}) {
        EXPECT_FALSE(parsebig(text, &v)) << text;
    }
    EXPECT_EQ(v.todouble(), 7.0);  // left as it was
}

TEST(DeepView, DeepWherePixelsCannotBeToldApartInDoubles) {
    // Around -0.75: spacing 1e-9 is fine for doubles, 1e-14 is not (2^-40 * 0.75 is
    // about 7e-13); at the origin only the range of doubles ends it.
    EXPECT_FALSE(needsdeep(big("-0.75"), big("0.1"), big("6e-7"), 600));
    EXPECT_TRUE(needsdeep(big("-0.75"), big("0.1"), big("6e-12"), 600));
    EXPECT_FALSE(needsdeep(big("0"), big("0"), big("1e-200"), 600));
    EXPECT_TRUE(needsdeep(big("0"), big("0"), big("1e-300"), 600));

    // The grid: corners at the centre -+ width / 2, the height from the aspect.
    const DoubleView d = doubleview(big("-0.5"), big("0.25"), big("3"), 601, 301);
    EXPECT_EQ(d.xmin, -2.0);
    EXPECT_EQ(d.xmax, 1.0);
    EXPECT_EQ(d.ymin, 0.25 - 0.75);
    EXPECT_EQ(d.ymax, 0.25 + 0.75);

    // A deeper view asks for more bits, about 3.3 a decimal digit of depth.
    DeepView v;
    v.re = big("-0.75");
    v.im = big("0.1");
    v.width = big("1e-100");
    const long bits100 = deepbits(v, 600);
    v.width = big("1e-300");
    EXPECT_GT(deepbits(v, 600) - bits100, 600);
    EXPECT_LT(deepbits(v, 600) - bits100, 700);
    EXPECT_GT(bits100, 332 + 9);
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

// Views rounded to their bits and written as text come back bit for bit, at any
// depth and any centre; texts that are no view are refused and change nothing.
TEST(DeepView, TextOfARoundedViewReadsBackExactly) {
    gmp_randstate_t rng;
    gmp_randinit_default(rng);
    gmp_randseed_ui(rng, 13);
    for (int k = 0; k < 400; ++k) {
        const long depth = 1 + k * 3;  // widths from 1e-1 to about 1e-1200
        DeepView v;
        v.re = BigFloat(4 * depth + 200);
        v.im = BigFloat(4 * depth + 200);
        mpfr_urandomb(v.re.get(), rng);
        mpfr_urandomb(v.im.get(), rng);
        mpfr_sub_d(v.re.get(), v.re.get(), k % 2 ? 2.0 : 0.5, MPFR_RNDN);
        mpfr_mul_2si(v.im.get(), v.im.get(), -(k % 7) * 10, MPFR_RNDN);
        v.width = BigFloat(80);
        mpfr_urandomb(v.width.get(), rng);
        mpfr_add_d(v.width.get(), v.width.get(), 0.1, MPFR_RNDN);
        mpfr_mul_2si(v.width.get(), v.width.get(), -static_cast<long>(depth * 3.3219), MPFR_RNDN);
        roundview(&v);
        DeepView back;
        ASSERT_TRUE(readview(v.re.text(), v.im.text(), v.width.text(), &back)) << k;
        ASSERT_EQ(back.re.bits(), v.re.bits()) << k;
        EXPECT_TRUE(mpfr_equal_p(back.re.get(), v.re.get()) &&
                    mpfr_equal_p(back.im.get(), v.im.get()) &&
                    mpfr_equal_p(back.width.get(), v.width.get()))
            << k;
        // The centre keeps enough bits for the pixels of a 9600-wide image.
        EXPECT_GE(back.re.bits(), deepbits(back, 9600) - 48 + 16) << k;
    }
    gmp_randclear(rng);

    DeepView v;
    ASSERT_TRUE(readview("-0.75", "0.1", "1e-40", &v));
    for (auto bad : {std::array<const char*, 3>{"-0.75", "0.1", "0"},
                     {"-0.75", "0.1", "-1e-40"},
                     {"x", "0.1", "1e-40"},
                     {"-0.75", "nan", "1e-40"},
                     {"-0.75", "0.1", ""}}) {
        DeepView w = v;
        EXPECT_FALSE(readview(bad[0], bad[1], bad[2], &w));
        EXPECT_TRUE(mpfr_equal_p(w.re.get(), v.re.get()) &&
                    mpfr_equal_p(w.width.get(), v.width.get()));
    }
}

}  // namespace
}  // namespace vantrel
