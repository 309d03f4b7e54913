#include "NumText.h"

#include <array>
#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <locale.h>

namespace {

#ifdef _WIN32
_locale_t CLocale() {
    static _locale_t loc = _create_locale(LC_ALL, "C");
    return loc;
}
#else
locale_t CLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}
#endif

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

double ParseDouble(const char* text, const char** end) {
    char* stop = nullptr;
#ifdef _WIN32
    const double v = _strtod_l(text, &stop, CLocale());
#else
    const double v = strtod_l(text, &stop, CLocale());
#endif
    if (end)
        *end = stop;
    return v;
}

double ParseDecimal(const char* text) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    while (IsSpace(*text))
        ++text;
    const char* p = text;
    if (*p == '+' || *p == '-')
        ++p;
    size_t digits = 0;
    for (; digit(*p); ++p)
        ++digits;
    if (*p == '.')
        for (++p; digit(*p); ++p)
            ++digits;
    if (digits == 0)
        return 0;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-')
            ++q;
        if (digit(*q)) {
            while (digit(*q))
                ++q;
            p = q;
        }
    }
    // Only the checked prefix reaches strtod, so it cannot take a hexadecimal
    // form ("0x...") that starts like a decimal one.
    const std::string number(text, p);
    return ParseDouble(number.c_str());
}

int ParseInt(const char* text) {
    while (IsSpace(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    long long v = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (v <= LLONG_MAX / 100)
            v = v * 10 + (*text - '0');
    }
    if (negative)
        v = -v;
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

int TruncateToInt(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return INT_MAX;
    if (value <= -2147483648.0)
        return INT_MIN;
    return static_cast<int>(value);
}

namespace {

constexpr char kTwoDigits[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// 10^0 .. 10^19.
constexpr std::array<uint64_t, 20> kPowersOfTen = [] {
    std::array<uint64_t, 20> powers{};
    uint64_t v = 1;
    for (uint64_t& p : powers) {
        p = v;
        v *= 10; // wraps after the last one, unused
    }
    return powers;
}();

} // namespace

char* WriteShortest(char* first, double v) {
    // Below 1e14 a double's spacing is under 1/60, so a value that is the
    // nearest double to some n/10 reads back from no other text of as few
    // digits: its shortest form is n/10's digits. Any n that passes the
    // check will do, so a rounding slip of n only sends v to to_chars.
    if (!(v > -1e14 && v < 1e14))
        return std::to_chars(first, first + 32, v).ptr;
    const int64_t i = static_cast<int64_t>(v);
    uint64_t whole = static_cast<uint64_t>(i < 0 ? -i : i);
    unsigned tenth = 0;
    if (static_cast<double>(i) != v) { // not whole: tenths?
        const double scaled = v * 10.0;
        const int64_t n = static_cast<int64_t>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
        // A tenth times 10 lies within a few ulps of n: the exact test (a
        // slow division) only for those.
        if (std::fabs(scaled - static_cast<double>(n)) > 1e-9 * std::fabs(scaled) ||
            static_cast<double>(n) / 10.0 != v)
            return std::to_chars(first, first + 32, v).ptr;
        whole = static_cast<uint64_t>(n < 0 ? -n : n);
        tenth = static_cast<unsigned>(whole % 10);
        whole /= 10;
    }
    // Five trailing zeros or more can make the exponent form (e.g. "1e+05")
    // the shorter: left to to_chars.
    if (tenth == 0 && whole != 0 && whole % 100000 == 0)
        return std::to_chars(first, first + 32, v).ptr;
    // The digit count from the bit count (1233 / 4096 ~ log10(2)), then
    // one correction.
    int digits = 1 + ((std::bit_width(whole | 1) - 1) * 1233 >> 12);
    digits += digits < 20 && whole >= kPowersOfTen[digits] ? 1 : 0;
    char* p = first;
    if (std::signbit(v))
        *p++ = '-';
    char* const end = p + digits + (tenth != 0 ? 2 : 0);
    char* q = end;
    if (tenth != 0) {
        *--q = static_cast<char>('0' + tenth);
        *--q = '.';
    }
    while (whole >= 100) {
        q -= 2;
        std::memcpy(q, kTwoDigits + 2 * (whole % 100), 2);
        whole /= 100;
    }
    if (whole >= 10)
        std::memcpy(q - 2, kTwoDigits + 2 * whole, 2);
    else
        q[-1] = static_cast<char>('0' + whole);
    return end;
}
