// Element and byte counts formed as checked products: a count that would wrap around is refused.
#pragma once

#include <climits>
#include <cstdio>
#include <initializer_list>
#include <string>

namespace korim::foundation {

// Largest byte count of one block of the tagged allocator: its lengths and releases are ints.
constexpr long long kMaxBlockBytes = INT_MAX;

// The product of the factors when each is 0 or more and the product is at most limit; -1
// otherwise: a negative factor, or a product past the limit, however far past (even one that
// no 64-bit integer holds). A factor of 0 gives 0.
constexpr long long checkedCount(std::initializer_list<long long> factors, long long limit = kMaxBlockBytes) {
    bool zero = false;
    for (long long f : factors) {
        if (f < 0) return -1;
        zero = zero || f == 0;
    }
    if (zero) return 0;
    long long p = 1;
    for (long long f : factors)
        if (__builtin_mul_overflow(p, f, &p) || p > limit) return -1;
    return p;
}

// A count held as a double (one past every integer type: orders of a search, points of a grid) as
// a message prints it: every digit while a double holds them all (below 2^53), else four
// significant digits (58! is 2.351e+78, not 79 digits of which 63 are noise).
inline std::string countText(double count) {
    char text[64];
    std::snprintf(text, sizeof text, count < 9007199254740992.0 ? "%.0f" : "%.4g", count);
    return text;
}

}  // namespace korim::foundation
