#include "files/textparams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "files/vtl.h"
#include "state/state.h"

namespace vantrel {
namespace {

// A record with every field away from its start value, doubles that need all 17
// digits, a negative zero and the extremes the record allows.
TextParams sample() {
    State s;
    TextParams t;
    t.p = paramfromstate(s);
    std::mt19937_64 rng(7);
    for (auto& e : t.p.palette)
        for (auto& c : e) c = static_cast<unsigned char>(rng());
    t.p.ftype = 1, t.p.method = 0, t.p.maxiter = 1'999'999'999, t.p.exponent = 17;
    t.p.outside = 18, t.p.inside = 30, t.p.rray = 255, t.p.gray = 1, t.p.bray = 0;
    t.p.mxmin = -0.74364388703715870, t.p.mxmax = std::nextafter(t.p.mxmin, 1.0);
    t.p.jymin = -0.0, t.p.jymax = std::numeric_limits<double>::denorm_min();
    t.p.jcx = 1.0 / 3, t.p.jcy = -1e300, t.p.maxsize = 1e30, t.p.bailout = 8;
    t.p.period = 64, t.p.num = 255, t.p.den = 256, t.p.slope = 5000, t.p.tiaflag = 2;
    t.re = "-1.7499999999999999999999999999999999999999999999999999999999999999999999997";
    t.im = "0.0000000000000000000000000000000000000000000000000000000000000000000000000013";
    t.width = "3.25e-1000";
    return t;
}

TEST(TextParams, RoundTripIsExactEverywhere) {
    const TextParams t = sample();
    const std::string text = encodetext(t);
    EXPECT_TRUE(looksliketext(text));
    const auto back = decodetext(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(encodeparam(back->p), encodeparam(t.p));  // byte for byte, -0 included
    EXPECT_TRUE(std::signbit(back->p.jymin));
    EXPECT_EQ(back->re, t.re);
    EXPECT_EQ(back->im, t.im);
    EXPECT_EQ(back->width, t.width);
    // A view doubles hold has no deep part; comments, blank lines, CRLF, a BOM and
    // another order of the keys change nothing.
    TextParams shallow = t;
    shallow.re = shallow.im = shallow.width = "";
    std::string edited = "\xEF\xBB\xBF" + encodetext(shallow);
    const std::size_t version = edited.find("version");
    edited.insert(version, "# saved by hand\n\n");
    edited.replace(edited.find("\n", version), 1, "\r\n");
    const std::size_t bray = edited.find("bray = ");
    edited.erase(bray, edited.find('\n', bray) + 1 - bray);
    edited += "bray = 0\n";
    const auto again = decodetext(edited);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->p, t.p);
    EXPECT_TRUE(again->width.empty());
    EXPECT_FALSE(
        looksliketext(std::string(reinterpret_cast<const char*>(encodeparam(t.p).data()), 40)));
}

TEST(TextParams, AnythingBadIsRefused) {
    const std::string good = encodetext(sample());
    auto with = [&](const std::string& key, const std::string& value) {
        std::string s = good;
        const std::size_t at = s.find("\n" + key + " = ") + 1;
        const std::size_t end = s.find('\n', at);
        s.replace(at, end - at, value.empty() ? "" : key + " = " + value);
        return s;
    };
    const std::string bad[] = {
        "",
        good.substr(1),
        with("version", "2"),
        with("maxiter", ""),            // missing
        good + "maxiter = 5\n",         // twice
        good + "colour = 5\n",          // unknown
        good + "just words\n",          // not key = value
        with("maxiter", "2000000001"),  // past the limit
        with("maxiter", "0"),
        with("maxiter", "12abc"),
        with("maxiter", "4294967297"),  // would wrap
        with("exponent", "18"),
        with("outside", "19"),
        with("mxmin", "nan"),
        with("mxmax", "inf"),
        with("mxmax", "-5"),  // not above mxmin
        with("jcx", "1e400"),
        with("bailout", "7.9"),
        with("palette", "00ff00"),  // too short
        with("palette", good.substr(good.find("palette = ") + 10, 1790) + "g"),
        with("deep.width", "0"),
        with("deep.width", "-1e-5"),
        with("deep.width", ""),  // half a deep view
        with("deep.re", "1e"),
        with("deep.re", "1.2.3"),
        with("deep.im", "0x10"),
        with("deep.im", "1e1234567890"),
        std::string(textlimit + 1, '#'),
    };
    for (const std::string& text : bad) EXPECT_FALSE(decodetext(text)) << text.substr(0, 200);
    EXPECT_TRUE(decodetext(good));
}

}  // namespace
}  // namespace vantrel
