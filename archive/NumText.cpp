#include "NumText.h"

#include <climits>
#include <cmath>
#include <cstdlib>
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
