#include "himetric.h"

#include <limits>

namespace pictures {

int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator) {
    if (denominator == 0)
        return -1;
    const int64_t product = int64_t(number) * int64_t(numerator);
    // Round on magnitudes so that halves go away from zero whatever the signs.
    const bool negative = (product < 0) != (denominator < 0);
    const uint64_t p = product < 0 ? uint64_t(0) - uint64_t(product) : uint64_t(product);
    const uint64_t d = denominator < 0 ? uint64_t(0) - uint64_t(int64_t(denominator)) : uint64_t(denominator);
    const uint64_t q = (p + d / 2) / d;
    if (q > uint64_t(std::numeric_limits<int32_t>::max()) + (negative ? 1u : 0u))
        return -1;
    return negative ? int32_t(-int64_t(q)) : int32_t(q);
}

int32_t HimetricFromPixels(int32_t pixels, int32_t dpi) { return MulDiv(pixels, kHimetricPerInch, dpi); }

int32_t PixelsFromHimetric(int32_t himetric, int32_t dpi) { return MulDiv(himetric, dpi, kHimetricPerInch); }

} // namespace pictures
