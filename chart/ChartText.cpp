#include "ChartText.h"

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <locale.h>

double RoundHalfUp(double v) {
    const double f = std::floor(v);
    return v - f < 0.5 ? f : std::ceil(v);
}

namespace {

// Scales v into [lo, 10 lo) by powers of ten; k counts the multiplications.
double ScaleInto(double v, double lo, int& k) {
    k = 0;
    if (!(v > 0) || !std::isfinite(v))
        return v;
    while (v < lo) {
        v *= 10;
        ++k;
    }
    while (v >= 10 * lo) {
        v /= 10;
        --k;
    }
    return v;
}

double Unscale(double v, int k) {
    for (; k > 0; --k)
        v /= 10;
    for (; k < 0; ++k)
        v *= 10;
    return v;
}

#ifndef _WIN32
// A "C" locale for formatting, made once.
locale_t CLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}
#endif

} // namespace

double ChooseTimeStep(double h) {
    if (!(h > 0))
        return h;
    int k = 0;
    h = ScaleInto(h, 6, k);
    h = h < 9 ? 6 : h < 12 ? 10 : h < 18 ? 15 : h < 45 ? 30 : 60;
    return Unscale(h, k);
}

double ChooseValueStep(double t) {
    if (!(t > 0))
        return t;
    int k = 0;
    t = ScaleInto(t, 1, k);
    t = t < 1.5 ? 1 : t < 3 ? 2.5 : t < 7 ? 5 : 10;
    return Unscale(t, k);
}

std::string FormatNumber(const char* format, double value) {
    char buf[512];
#ifdef _WIN32
    // The "C" numeric locale for this thread only, then the previous one back.
    const int mode = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    const std::string old = current ? current : "C";
    std::setlocale(LC_NUMERIC, "C");
    std::snprintf(buf, sizeof buf, format, value);
    std::setlocale(LC_NUMERIC, old.c_str());
    _configthreadlocale(mode);
#else
    locale_t old = uselocale(CLocale());
    std::snprintf(buf, sizeof buf, format, value);
    uselocale(old);
#endif
    return buf;
}

std::string SafeDoubleFormat(const std::string& format) {
    int conversions = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        if (i + 1 < format.size() && format[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < format.size() && std::strchr("-+ #0", format[j]))
            ++j;
        int digits = 0;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9' && ++digits <= 3)
            ++j;
        if (j < format.size() && format[j] == '.') {
            ++j;
            digits = 0;
            while (j < format.size() && format[j] >= '0' && format[j] <= '9' && ++digits <= 3)
                ++j;
        }
        if (j >= format.size() || !std::strchr("fFeEgGaA", format[j]) || digits > 3)
            return "%f";
        ++conversions;
        i = j;
    }
    return conversions == 1 ? format : "%f";
}

LabelFormat ChooseLabelFormat(double value, double step, int width) {
    LabelFormat f;
    if (value < 0)
        width -= 1;
    double a = std::fabs(value);
    if (step <= 0 || a < step / 2)
        return f;
    int n = 0, g = 0;
    ScaleInto(a, 1, n);
    ScaleInto(step, 1, g);
    int decimals = 0;
    if (n > 0) {
        int eLen = 3 + (n >= 10 ? 1 : 0) + (n >= 100 ? 1 : 0);
        if (g + 2 > width && n > eLen) {
            f.bExponent = true;
            f.nExponent = -n;
            g -= n;
            width -= eLen;
        }
        decimals = std::min(g, width - 2);
    } else {
        const int d = -n;
        int intDigits = d + 1;
        if (d + 1 > width) {
            f.bExponent = true;
            f.nExponent = d;
            const int eLen = 3 + (d >= 10 ? 1 : 0) + (d >= 100 ? 1 : 0);
            g += d;
            width -= eLen;
            intDigits = 1;
        }
        decimals = std::min(g, width - 1 - intDigits);
    }
    f.nDecimals = std::max(decimals, 0);
    return f;
}

namespace {

std::string FormatWith(double value, bool exponent, int e, int decimals) {
    char pattern[64];
    if (exponent) {
        for (int k = e; k > 0; --k)
            value /= 10;
        for (int k = e; k < 0; ++k)
            value *= 10;
        std::snprintf(pattern, sizeof pattern, "%%.%dfE%+02d", decimals, e);
    } else {
        std::snprintf(pattern, sizeof pattern, "%%.%df", decimals);
    }
    return FormatNumber(pattern, value);
}

} // namespace

std::string FormatAxisValue(double value, const LabelFormat& f) {
    return FormatWith(value, f.bExponent, f.nExponent, f.nDecimals);
}

std::string FormatReadoutValue(double value, int width) {
    const bool neg = value < 0;
    double a = std::fabs(value);
    const int sign = neg ? 1 : 0;
    if (!(a >= 1e-99))
        return FormatWith(0, false, 0, std::max(width - 2, 0));
    auto eLenOf = [](int e) { return 3 + (e >= 10 ? 1 : 0) + (e >= 100 ? 1 : 0); };
    bool exponent = false;
    int e = 0, decimals = 0;
    double mantissa = a;
    if (a >= 1) {
        int d = 0;
        for (double v = a; v >= 1 && d < 400; v /= 10)
            ++d;
        if (d > width - sign) {
            exponent = true;
            e = d - 1;
            decimals = width - eLenOf(e) - sign - 2;
        } else {
            decimals = width - sign - d - 1;
        }
    } else {
        int z = 0;
        for (double v = a; v < 1 && z < 400; v *= 10)
            ++z;
        if (z > eLenOf(z)) {
            exponent = true;
            e = -z;
            decimals = width - eLenOf(z) - sign - 2;
        } else {
            decimals = width - sign - 2;
        }
    }
    decimals = std::max(decimals, 0);
    (void)mantissa;
    // FormatWith scales by the exponent itself; the sign is put back by the value.
    return FormatWith(neg ? -a : a, exponent, e, decimals);
}

std::string FormatTimeFields(const TimeFields& f, bool longForm) {
    char buf[96];
    if (longForm)
        std::snprintf(buf, sizeof buf, "[ %4d-%02d-%02d   %02d:%02d:%02d ]", f.year, f.month, f.day, f.hour,
                      f.minute, f.second);
    else
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", f.hour, f.minute, f.second);
    return buf;
}

namespace {
TimeFields UtcFields(double value) {
    // Out-of-range values (never times of data) map to the epoch.
    const int64_t t = value > -1e15 && value < 1e15 ? static_cast<int64_t>(value) : 0;
    int64_t days = t / 86400, secs = t % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    // Civil date of a day number (days since 1970-01-01), proleptic Gregorian.
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    const TimeFields f{
        static_cast<int>(year),        static_cast<int>(month),          static_cast<int>(day),
        static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60)};
    return f;
}
} // namespace

std::string FormatUtcTime(double value, bool longForm) {
    return FormatTimeFields(UtcFields(value), longForm);
}

std::string FormatDateFields(const TimeFields& f) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", f.year, f.month, f.day);
    return buf;
}

std::string FormatUtcDate(double value) {
    return FormatDateFields(UtcFields(value));
}
