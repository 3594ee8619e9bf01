#include "files/vtl.h"

#include <bit>
#include <cmath>
#include <cstdio>

#include "files/png.h"
#include "files/regularfile.h"
#include "files/savefile.h"
#include "files/textparams.h"
#include "render/deepimage.h"
#include "state/history.h"
#include "state/placeview.h"

namespace vantrel {

namespace {

class Writer {
  public:
    explicit Writer(ParamBytes& b) : b_(b) {}
    void i32(int v) { u(static_cast<std::uint32_t>(v), 4); }
    void f64(double v) { u(std::bit_cast<std::uint64_t>(v), 8); }
    void byte(unsigned char v) { b_[at_++] = v; }

  private:
    void u(std::uint64_t v, int n) {
        for (int k = 0; k < n; ++k) b_[at_++] = static_cast<std::uint8_t>(v >> (8 * k));
    }
    ParamBytes& b_;
    std::size_t at_ = 0;
};

class Reader {
  public:
    explicit Reader(const ParamBytes& b) : b_(b) {}
    int i32() { return static_cast<int>(static_cast<std::uint32_t>(u(4))); }
    double f64() { return std::bit_cast<double>(u(8)); }
    unsigned char byte() { return b_[at_++]; }

  private:
    std::uint64_t u(int n) {
        std::uint64_t v = 0;
        for (int k = 0; k < n; ++k) v |= static_cast<std::uint64_t>(b_[at_++]) << (8 * k);
        return v;
    }
    const ParamBytes& b_;
    std::size_t at_ = 0;
};

// One list of the fields in file order serves both directions.
template <class Io, class P>
void fields(Io& io, P& p) {
    io.i(p.ftype);
    io.i(p.method);
    io.i(p.maxiter);
    io.i(p.exponent);
    io.i(p.outside);
    io.i(p.inside);
    io.i(p.rray);
    io.i(p.gray);
    io.i(p.bray);
    for (auto& e : p.palette)
        for (auto& ch : e) io.b(ch);
    for (auto* d : {&p.mxmin, &p.mxmax, &p.mymin, &p.mymax, &p.jxmin, &p.jxmax, &p.jymin, &p.jymax,
                    &p.exmin, &p.exmax, &p.eymin, &p.eymax, &p.jcx, &p.jcy, &p.maxsize})
        io.d(*d);
    for (auto* v : {&p.period, &p.mapping, &p.plbkgd, &p.raymode, &p.num, &p.den}) io.i(*v);
    io.d(p.slope);
    io.d(p.bailout);
    for (auto* v : {&p.okorbits, &p.oklines, &p.okescher, &p.okinvert, &p.tiaflag}) io.i(*v);
}

struct Encode {
    Writer w;
    void i(int v) { w.i32(v); }
    void d(double v) { w.f64(v); }
    void b(unsigned char v) { w.byte(v); }
};

struct Decode {
    Reader r;
    void i(int& v) { v = r.i32(); }
    void d(double& v) { v = r.f64(); }
    void b(unsigned char& v) { v = r.byte(); }
};

bool within(int v, int lo, int hi) {
    return v >= lo && v <= hi;
}
bool flag(int v) {
    return v == 0 || v == 1;
}
bool view(double lo, double hi) {
    return std::isfinite(lo) && std::isfinite(hi) && lo < hi;
}

}  // namespace

ParamBytes encodeparam(const PARAM& p) {
    ParamBytes bytes{};
    Encode e{Writer(bytes)};
    PARAM copy = p;
    fields(e, copy);
    return bytes;
}

PARAM decodeparam(const ParamBytes& bytes) {
    PARAM p;
    Decode d{Reader(bytes)};
    fields(d, p);
    return p;
}

bool validparam(const PARAM& p) {
    // Orbit tracing colors with 20; a band-decomposition image in progress holds 30.
    const bool outside = within(p.outside, 0, 18) || p.outside == 20;
    const bool inside = within(p.inside, 0, 14) || p.inside == 20 || p.inside == 30;
    // The start values 0 / 0 stand for "no ray chosen yet".
    const bool ray =
        (p.den == 0 && p.num == 0) || (within(p.den, 1, 256) && within(p.num, 0, p.den - 1));
    return flag(p.ftype) && flag(p.method) && within(p.maxiter, 1, 16384) &&
           within(p.exponent, 2, 17) && outside && inside && within(p.rray, 0, 255) &&
           within(p.gray, 0, 255) && within(p.bray, 0, 255) && view(p.mxmin, p.mxmax) &&
           view(p.mymin, p.mymax) && view(p.jxmin, p.jxmax) && view(p.jymin, p.jymax) &&
           view(p.exmin, p.exmax) && view(p.eymin, p.eymax) && std::isfinite(p.jcx) &&
           std::isfinite(p.jcy) && p.maxsize >= 2.0 && p.maxsize <= 1.0e30 &&
           within(p.period, 1, 64) && flag(p.mapping) && flag(p.plbkgd) && flag(p.raymode) && ray &&
           p.slope >= 50.0 && p.slope <= 5000.0 && p.bailout >= 8.0 && p.bailout <= 1.0e30 &&
           flag(p.okorbits) && flag(p.oklines) && flag(p.okescher) && flag(p.okinvert) &&
           within(p.tiaflag, 0, 2);
}

PARAM paramfromstate(const State& s) {
    PARAM p;
    p.ftype = s.ftype;
    p.method = s.method;
    p.maxiter = s.maxiter;
    p.exponent = s.exponent;
    p.outside = s.outside;
    p.inside = s.inside;
    p.rray = s.rray;
    p.gray = s.gray;
    p.bray = s.bray;
    p.palette = s.palette;
    p.mxmin = s.mxmin;
    p.mxmax = s.mxmax;
    p.mymin = s.mymin;
    p.mymax = s.mymax;
    p.jxmin = s.jxmin;
    p.jxmax = s.jxmax;
    p.jymin = s.jymin;
    p.jymax = s.jymax;
    p.exmin = s.exmin;
    p.exmax = s.exmax;
    p.eymin = s.eymin;
    p.eymax = s.eymax;
    p.jcx = s.jcx;
    p.jcy = s.jcy;
    p.maxsize = s.maxsize;
    p.period = s.period;
    p.mapping = s.mapping;
    p.plbkgd = s.plbkgd;
    p.raymode = s.raymode;
    p.num = s.num;
    p.den = s.den;
    p.slope = s.slope;
    p.bailout = s.bailout;
    p.okorbits = s.okorbits;
    p.oklines = s.oklines;
    p.okescher = s.okescher;
    p.okinvert = s.okinvert;
    p.tiaflag = s.tiaflag;
    return p;
}

void paramtostate(const PARAM& p, State& s) {
    s.ftype = p.ftype;
    s.method = p.method;
    s.maxiter = p.maxiter;
    s.exponent = p.exponent;
    s.outside = p.outside;
    s.inside = p.inside;
    s.rray = p.rray;
    s.gray = p.gray;
    s.bray = p.bray;
    s.palette = p.palette;
    s.mxmin = p.mxmin;
    s.mxmax = p.mxmax;
    s.mymin = p.mymin;
    s.mymax = p.mymax;
    s.jxmin = p.jxmin;
    s.jxmax = p.jxmax;
    s.jymin = p.jymin;
    s.jymax = p.jymax;
    s.exmin = p.exmin;
    s.exmax = p.exmax;
    s.eymin = p.eymin;
    s.eymax = p.eymax;
    s.jcx = p.jcx;
    s.jcy = p.jcy;
    s.maxsize = p.maxsize;
    s.period = p.period;
    s.mapping = p.mapping;
    s.plbkgd = p.plbkgd;
    s.raymode = p.raymode;
    s.num = p.num;
    s.den = p.den;
    s.slope = p.slope;
    s.bailout = p.bailout;
    s.okorbits = p.okorbits;
    s.oklines = p.oklines;
    s.okescher = p.okescher;
    s.okinvert = p.okinvert;
    s.tiaflag = p.tiaflag;
}

namespace {

// The name with its extension (after the last dot of the file name) replaced, or
// with one added.
std::string withextension(const std::string& path, const std::string& ext) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.find_last_of('.');
    const bool has = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (has ? path.substr(0, dot) : path) + "." + ext;
}

}  // namespace

bool needstext(const State& s) {
    return s.maxiter > 16384 || deepactive(s);
}

namespace {

// Every parameter of the state, the deep view of the current set type included.
TextParams textparams(const State& s) {
    TextParams tp{paramfromstate(s), "", "", ""};
    if (deepactive(s)) {
        tp.re = s.deep.re.text();
        tp.im = s.deep.im.text();
        tp.width = s.deep.width.text();
    }
    return tp;
}

}  // namespace

int writevtl(App& app, int option) {
    State& s = app.s;
    const PARAM p = paramfromstate(s);
    if (option == 1) {
        const std::size_t keep = s.tgafile.size() >= 3 ? s.tgafile.size() - 3 : s.tgafile.size();
        s.svtlfile = s.tgafile.substr(0, keep) + "vtl";
    }
    // What the record cannot hold goes into a text file of its own kind, never into
    // a .vtl that would not load again.
    const bool text = needstext(s);
    if (text) s.svtlfile = withextension(s.svtlfile, textextension);
    SaveFile file;
    if (file.open(s.svtlfile) != 0) return 1;
    bool written;
    if (text) {
        const std::string t = encodetext(textparams(s));
        written = file.write(t.data(), t.size());
    } else {
        const ParamBytes bytes = encodeparam(p);
        written = file.write(bytes.data(), bytes.size());
    }
    if (!written || file.commit() != 0) return 3;
    const auto slash = s.svtlfile.find_last_of("/\\");
    s.svtlfiletitle = slash == std::string::npos ? s.svtlfile : s.svtlfile.substr(slash + 1);
    return 0;
}

std::string paramtext(const State& s) {
    return encodetext(textparams(s));
}

int loadvtl(App& app, std::string* why) {
    State& s = app.s;
    const FilePtr file = openregular(s.ovtlfile);
    if (!file) return 1;
    // Up to one byte more than the longest file of either kind, to tell it is longer.
    std::string content(textlimit + 1, '\0');
    content.resize(std::fread(content.data(), 1, content.size(), file.get()));
    if (std::ferror(file.get())) return 1;
    if (lookslikepng(content)) {
        auto png = readpngparams(content);
        if (!png) return 1;
        content = std::move(png->text);
    }
    PARAM p;
    DeepView deep;
    if (looksliketext(content)) {
        const auto t = decodetext(content);
        if (!t) return 1;
        p = t->p;
        if (!t->width.empty()) {
            if (!readview(t->re, t->im, t->width, &deep)) return 1;
            deep.on = true;
        }
    } else {
        ParamBytes bytes{};
        if (content.size() != bytes.size()) return 1;
        std::copy(content.begin(), content.end(), bytes.begin());
        p = decodeparam(bytes);
        if (!validparam(p)) return 1;
    }
    const State before = s;
    paramtostate(p, s);
    if (deep.on) {
        if (const char* refusal = placeview(s, std::move(deep))) {
            s = before;
            if (why) *why = refusal;
            return 1;
        }
    } else if (s.deep.ftype == s.ftype) {
        s.deep.on = false;
    }

    const int t = s.ftype;
    const double lx = t == 0 ? s.mxmin : s.jxmin, hx = t == 0 ? s.mxmax : s.jxmax;
    const double ly = t == 0 ? s.mymin : s.jymin, hy = t == 0 ? s.mymax : s.jymax;
    const FRACTAL& e = s.z[t][s.zct[t]];
    const DeepView& d = s.zdeep[t][s.zct[t]];
    const bool samedeep = deepactive(s) ? d.on && sameview(d, s.deep) : !d.on;
    if (e.xmin == lx && e.xmax == hx && e.ymin == ly && e.ymax == hy && samedeep) return 0;
    pushview(s, lx, hx, ly, hy);
    showhistory(app);
    return 0;
}

}  // namespace vantrel
