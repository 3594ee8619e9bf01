#include "files/textparams.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <system_error>

#include "files/vtl.h"
#include "state/bigfloat.h"

namespace vantrel {

namespace {

constexpr std::string_view signature = "format = vantrel-parameters";
constexpr int version = 1;

// Every field of the record under its own name, in the record's order; one list
// serves writing and reading.
template <class Visit>
void namedfields(Visit&& f, PARAM& p) {
    f("ftype", p.ftype);
    f("method", p.method);
    f("maxiter", p.maxiter);
    f("exponent", p.exponent);
    f("outside", p.outside);
    f("inside", p.inside);
    f("rray", p.rray);
    f("gray", p.gray);
    f("bray", p.bray);
    f("palette", p.palette);
    f("mxmin", p.mxmin);
    f("mxmax", p.mxmax);
    f("mymin", p.mymin);
    f("mymax", p.mymax);
    f("jxmin", p.jxmin);
    f("jxmax", p.jxmax);
    f("jymin", p.jymin);
    f("jymax", p.jymax);
    f("exmin", p.exmin);
    f("exmax", p.exmax);
    f("eymin", p.eymin);
    f("eymax", p.eymax);
    f("jcx", p.jcx);
    f("jcy", p.jcy);
    f("maxsize", p.maxsize);
    f("period", p.period);
    f("mapping", p.mapping);
    f("plbkgd", p.plbkgd);
    f("raymode", p.raymode);
    f("num", p.num);
    f("den", p.den);
    f("slope", p.slope);
    f("bailout", p.bailout);
    f("okorbits", p.okorbits);
    f("oklines", p.oklines);
    f("okescher", p.okescher);
    f("okinvert", p.okinvert);
    f("tiaflag", p.tiaflag);
}

std::string number(int v) {
    return std::to_string(v);
}

std::string number(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string number(const Palette& pal) {
    std::string out;
    char entry[8];
    for (const auto& e : pal) {
        std::snprintf(entry, sizeof entry, "%s%02x%02x%02x", out.empty() ? "" : " ", e[0], e[1],
                      e[2]);
        out += entry;
    }
    return out;
}

template <class T>
bool whole(std::string_view text, T* v) {
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, *v);
    return r.ec == std::errc() && r.ptr == end;
}

bool parse(std::string_view text, int* v) {
    return whole(text, v);
}
bool parse(std::string_view text, double* v) {
    return whole(text, v);
}

bool parse(std::string_view text, Palette* pal) {
    for (std::size_t k = 0; k < pal->size(); ++k) {
        const std::size_t at = k * 7;
        if (at + 6 > text.size() || (k > 0 && text[at - 1] != ' ')) return false;
        for (int c = 0; c < 3; ++c) {
            unsigned v = 0;
            const char* from = text.data() + at + 2 * c;
            const auto r = std::from_chars(from, from + 2, v, 16);
            if (r.ec != std::errc() || r.ptr != from + 2) return false;
            (*pal)[k][c] = static_cast<unsigned char>(v);
        }
    }
    return text.size() == pal->size() * 7 - 1;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// A decimal number in the one grammar deep views are read with everywhere;
// `positive` also asks for a value above 0.
bool decimal(const std::string& text, bool positive) {
    BigFloat v(64);
    return parsebig(text, &v, 64) && (!positive || mpfr_sgn(v.get()) > 0);
}

bool within(int v, int lo, int hi) {
    return v >= lo && v <= hi;
}

}  // namespace

std::string encodetext(const TextParams& t) {
    std::string out = std::string(signature) + "\nversion = " + number(version) + "\n";
    PARAM p = t.p;
    namedfields([&](const char* name,
                    const auto& v) { out += std::string(name) + " = " + number(v) + "\n"; },
                p);
    if (!t.width.empty()) {
        out += "deep.re = " + t.re + "\n";
        out += "deep.im = " + t.im + "\n";
        out += "deep.width = " + t.width + "\n";
    }
    return out;
}

bool looksliketext(std::string_view head) {
    if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
    return head.substr(0, signature.size()) == signature;
}

std::optional<TextParams> decodetext(std::string_view text) {
    if (text.size() > textlimit || !looksliketext(text)) return std::nullopt;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    text.remove_prefix(signature.size());

    std::map<std::string, std::string, std::less<>> values;
    bool first = true;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        const std::string_view raw = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        if (first) {
            // The rest of the signature line.
            first = false;
            if (!trim(raw).empty()) return std::nullopt;
            continue;
        }
        const std::string_view line = trim(raw);
        if (line.empty() || line.front() == '#') continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) return std::nullopt;
        const std::string_view key = trim(line.substr(0, eq)), value = trim(line.substr(eq + 1));
        if (key.empty() || !values.emplace(std::string(key), std::string(value)).second)
            return std::nullopt;
    }

    int v = 0;
    if (!values.contains("version") || !parse(values["version"], &v) || v != version)
        return std::nullopt;
    values.erase("version");

    TextParams t;
    bool ok = true;
    namedfields(
        [&](const char* name, auto& field) {
            const auto it = values.find(name);
            if (it == values.end() || !parse(it->second, &field)) {
                ok = false;
                return;
            }
            values.erase(it);
        },
        t.p);
    if (!ok) return std::nullopt;

    const bool deep =
        values.contains("deep.re") || values.contains("deep.im") || values.contains("deep.width");
    if (deep) {
        for (const char* k : {"deep.re", "deep.im", "deep.width"})
            if (!values.contains(k)) return std::nullopt;
        t.re = values["deep.re"];
        t.im = values["deep.im"];
        t.width = values["deep.width"];
        if (!decimal(t.re, false) || !decimal(t.im, false) || !decimal(t.width, true))
            return std::nullopt;
        values.erase("deep.re");
        values.erase("deep.im");
        values.erase("deep.width");
    }
    if (!values.empty()) return std::nullopt;

    // The record's own ranges hold, but for the iteration limit's wider one.
    PARAM ranged = t.p;
    ranged.maxiter = 1;
    if (deep) {
        // The deep view's extent in doubles may be a single point: its corners need
        // only be numbers, the deep fields being the view.
        double* v[4] = {&ranged.mxmin, &ranged.mxmax, &ranged.mymin, &ranged.mymax};
        if (ranged.ftype != 0)
            v[0] = &ranged.jxmin, v[1] = &ranged.jxmax, v[2] = &ranged.jymin, v[3] = &ranged.jymax;
        for (int k = 0; k < 4; ++k) {
            if (!std::isfinite(*v[k])) return std::nullopt;
            *v[k] = k % 2 ? 1.0 : -1.0;
        }
    }
    if (!validparam(ranged) || !within(t.p.maxiter, 1, textmaxiter)) return std::nullopt;
    return t;
}

}  // namespace vantrel
