// Plain decimal numbers of coordinate-file fields, read without strtof and strtol.
#include "structure/pdbnumber.h"

#include <cstring>

namespace korim::structure {

bool plainInt(const char* s, int* out) {
    const bool negative = *s == '-';
    if (*s == '-' || *s == '+') s++;
    int v = 0, digits = 0;
    for (; *s != '\0'; s++, digits++) {
        if (*s < '0' || *s > '9' || digits == 9) return false;
        v = 10 * v + (*s - '0');
    }
    if (digits == 0) return false;
    *out = negative ? -v : v;
    return true;
}

namespace {

bool isWhite(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The value of [+-]digits[.digits] in s..end as documented for plainFloat.
//
// The quotient of two exact doubles (m below 2^53, a power of ten up to
// 1e15) is the correctly rounded double of the decimal, and its float is the
// correctly rounded float unless the double lies within one unit in its last
// place of a point halfway between two floats: only there can the exact value
// and the double fall on different sides of that point.
bool decimalFloat(const char* s, const char* end, float* out) {
    static constexpr double kTen[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (s == end) return false;
    const bool negative = *s == '-';
    if (*s == '-' || *s == '+') s++;
    long long m = 0;
    int digits = 0, fraction = 0;
    bool point = false;
    for (; s < end; s++) {
        if (*s == '.' && !point) {
            point = true;
            continue;
        }
        if (*s < '0' || *s > '9' || digits == 15) return false;
        m = 10 * m + (*s - '0');
        digits++;
        if (point) fraction++;
    }
    if (digits == 0) return false;
    const double q = static_cast<double>(m) / kTen[fraction];
    if (q != 0.0) {
        if (!(q >= 1.2e-38 && q <= 3.4e38)) return false;
        unsigned long long bits;
        std::memcpy(&bits, &q, sizeof bits);
        const unsigned long long low = bits & ((1ULL << 29) - 1), half = 1ULL << 28;
        if (low + 1 >= half && low <= half + 1) return false;
    }
    const float f = static_cast<float>(q);
    *out = negative ? -f : f;
    return true;
}

}  // namespace

bool plainFloat(const char* s, float* out) {
    return decimalFloat(s, s + std::strlen(s), out);
}

bool plainFloatField(const char* field, std::size_t n, float* out) {
    const char* s = field;
    const char* e = field + n;
    while (s < e && isWhite(*s)) s++;
    while (e > s && isWhite(e[-1])) e--;
    if (s == e) {
        *out = 0.0f;
        return true;
    }
    return decimalFloat(s, e, out);
}

}  // namespace korim::structure
