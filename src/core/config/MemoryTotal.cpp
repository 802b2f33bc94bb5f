#include "config/MemoryTotal.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kSignificantDigits = 10;

long double unitFactor(MemoryUnit unit) {
    switch (unit) {
    case MemoryUnit::KiloBytes:
        return 1.0L / 1024;
    case MemoryUnit::MegaBytes:
        return 1.0L / 1048576;
    case MemoryUnit::GigaBytes:
        return 1.0L / 1073741824;
    case MemoryUnit::Bytes:
        break;
    }
    return 1.0L;
}

// "6.5536E+10": the mantissa to 10 significant digits without trailing zeros.
std::string scientific(long double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*LE", kSignificantDigits - 1, value);
    std::string result(text);
    const auto e = result.find('E');
    std::string mantissa = result.substr(0, e);
    std::string exponent = result.substr(e + 1); // sign and at least two digits
    while (mantissa.back() == '0')
        mantissa.pop_back();
    if (mantissa.back() == '.')
        mantissa.pop_back();
    const char sign = exponent.front();
    std::string digits = exponent.substr(1);
    while (digits.size() > 1 && digits.front() == '0')
        digits.erase(0, 1);
    return mantissa + "E" + sign + digits;
}

// The value rounded to 10 significant digits: what decides the form shown and what is shown.
long double roundedToSignificantDigits(long double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*Le", kSignificantDigits - 1, value);
    return std::strtold(text, nullptr);
}

} // namespace

std::string formatMemoryTotal(float pageCount, float pageSize, MemoryUnit unit, char decimalSeparator) {
    const long double total =
        static_cast<long double>(pageCount) * static_cast<long double>(pageSize) * unitFactor(unit);
    std::string result;
    if (!std::isfinite(total)) {
        result = total > 0 ? "INF" : (total < 0 ? "-INF" : "NAN");
    } else if (const long double rounded = roundedToSignificantDigits(total); std::fabs(rounded) >= 1e10L) {
        // Rounding may carry into an 11th integer digit (9999999999.99 becomes 1E+10), so the form is chosen
        // after it.
        result = scientific(rounded);
    } else {
        char text[64];
        std::snprintf(text, sizeof text, "%.3Lf", rounded);
        result = text;
        if (result == "-0.000")
            result = "0.000";
    }
    for (char& c : result)
        if (c == '.')
            c = decimalSeparator;
    return result;
}
