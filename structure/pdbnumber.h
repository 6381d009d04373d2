// Plain decimal numbers of coordinate-file fields, read exactly as std::strtof
// and std::strtol read them, without their cost.
#pragma once

#include <cstddef>

namespace korim::structure {

// [+-]digits with at most nine digits: its value, as std::strtol gives it.
// False (out untouched) for any other text.
bool plainInt(const char* s, int* out);

// [+-]digits[.digits] (or [+-].digits) with at most 15 digits: the float
// std::strtof gives for it (the correctly rounded one). False (out untouched)
// for any other text, and for the rare numbers whose rounding the fast
// computation does not settle (next to a point halfway between two floats,
// outside the normal floats): the caller then asks std::strtof.
bool plainFloat(const char* s, float* out);

// The usual field of a coordinate file: blanks, an optional sign, one to eight digits with at
// most one point among them, blanks (or blanks only, which is 0). Its float is the one
// std::strtof gives for the number (the correctly rounded one); false (out untouched) for any
// other field. plainFloatField reads every such field the same way.
//
// The float is that of the double quotient x = m / 10^k of the digits m and the decimals k,
// which is exact here: with m below 10^8 and k at most 8, x is never within half a double unit
// of a point halfway between two floats unless it is that point. Such a point is M 2^f with M
// below 2^25; a non-zero x - M 2^f is at least 2^f / 10^k when f < 0 (its numerator
// m 2^-f - M 10^k is an integer), more than half a double unit there, 2^(f-29), as
// 10^k < 2^29; f >= 0 means x >= 2^24, eight digits before the point and k = 0, and x is a
// double itself. The correctly rounded quotient of two exact doubles thus stays on x's side of
// every such point and rounds to x's float (a point itself rounds to even both ways); x lies
// between 1e-8 and 1e8, among the normal floats.
inline bool fixedFloatField(const char* field, std::size_t n, float* out) {
    static constexpr double kTen[9] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
    std::size_t i = 0;
    while (i < n && field[i] == ' ') i++;
    if (i == n) {
        *out = 0.0f;
        return true;
    }
    const bool negative = field[i] == '-';
    if (negative || field[i] == '+') i++;
    const std::size_t first = i;
    unsigned m = 0, d = 0;
    for (; i < n && (d = static_cast<unsigned char>(field[i]) - 48u) < 10; i++) m = 10 * m + d;
    std::size_t digits = i - first, k = 0;
    if (i < n && field[i] == '.') {
        const std::size_t point = ++i;
        for (; i < n && (d = static_cast<unsigned char>(field[i]) - 48u) < 10; i++) m = 10 * m + d;
        k = i - point;
        digits += k;
    }
    if (digits < 1 || digits > 8) return false;
    while (i < n && field[i] == ' ') i++;
    if (i != n) return false;
    const float f = static_cast<float>(static_cast<double>(m) / kTen[k]);
    *out = negative ? -f : f;
    return true;
}

// fixedFloatField of the field as the writer lays it out (blanks, an optional sign, digits, a
// point and then exactly `decimals` digits, 1 to 3, at its end; at most 9 characters, so at
// most 8 digits): taken from the point outwards, without searching for it. False (out
// untouched) for any other field.
[[gnu::always_inline]] inline bool pointFloatField(const char* field, std::size_t n, std::size_t decimals, float* out) {
    static constexpr double kTen[4] = {1e0, 1e1, 1e2, 1e3};
    if (decimals < 1 || decimals > 3 || n < decimals + 1 || n > 9 ||
        field[n - decimals - 1] != '.')
        return false;
    unsigned m = 0;
    for (std::size_t i = n - decimals; i < n; i++) {
        const unsigned d = static_cast<unsigned char>(field[i]) - 48u;
        if (d > 9) return false;
        m = 10 * m + d;
    }
    // The digits before the point, right to left, then a sign and blanks.
    std::size_t i = n - decimals - 1;
    unsigned whole = 0, unit = 1;
    for (; i > 0; i--, unit *= 10) {
        const unsigned d = static_cast<unsigned char>(field[i - 1]) - 48u;
        if (d > 9) break;
        whole += d * unit;
    }
    bool negative = false;
    if (i > 0 && (field[i - 1] == '-' || field[i - 1] == '+')) {
        negative = field[i - 1] == '-';
        i--;
    }
    for (; i > 0; i--)
        if (field[i - 1] != ' ') return false;
    const unsigned scale = decimals == 1 ? 10 : decimals == 2 ? 100 : 1000;
    const float f = static_cast<float>(static_cast<double>(whole * scale + m) / kTen[decimals]);
    *out = negative ? -f : f;
    return true;
}

// plainFloat of the n characters at field without the white space (as
// std::isspace takes it in the "C" locale) around them, and 0 for a field of
// white space only: a coordinate field read without copying it first. White
// space inside the number makes two numbers of it: false.
bool plainFloatField(const char* field, std::size_t n, float* out);

}  // namespace korim::structure
