#include "dialogs/fields.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

namespace vantrel {

namespace {

// The text without surrounding blanks and without one leading '+', which
// from_chars does not take; "" when nothing is left or a sign follows the '+'.
std::string_view number(const std::string& text) {
    std::string_view v(text);
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!v.empty() && blank(v.front())) v.remove_prefix(1);
    while (!v.empty() && blank(v.back())) v.remove_suffix(1);
    if (!v.empty() && v.front() == '+') {
        v.remove_prefix(1);
        if (!v.empty() && (v.front() == '+' || v.front() == '-')) return {};
    }
    return v;
}

}  // namespace

std::string showreal(double v) {
    char buf[400];  // 1e308 in fixed notation with 15 decimals fits
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 15);
    return std::string(buf, r.ptr);
}

std::string showint(int v) {
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::optional<double> readreal(const std::string& text) {
    const std::string_view v = number(text);
    if (v.empty()) return std::nullopt;
    double d = 0;
    const auto r = std::from_chars(v.data(), v.data() + v.size(), d, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != v.data() + v.size() || !std::isfinite(d))
        return std::nullopt;
    return d;
}

std::optional<int> readint(const std::string& text) {
    const std::string_view v = number(text);
    if (v.empty()) return std::nullopt;
    int n = 0;
    const auto r = std::from_chars(v.data(), v.data() + v.size(), n, 10);
    if (r.ec != std::errc() || r.ptr != v.data() + v.size()) return std::nullopt;
    return n;
}

std::optional<double> fieldreal(const DialogFields& f, int id, double current) {
    const std::string text = f.gettext(id);
    if (text == showreal(current)) return current;
    return readreal(text);
}

std::optional<int> fieldint(const DialogFields& f, int id) {
    return readint(f.gettext(id));
}

}  // namespace vantrel
