#pragma once
// Picture sizes travel in HIMETRIC units (hundredths of a millimetre, 2540 to the inch) and are
// turned into pixels for a given resolution with MulDiv's rounding.
#include <cstdint>

namespace pictures {

constexpr int kHimetricPerInch = 2540;
// The resolution a picture's own pixels are taken to have, and the one LoadFile reports in.
constexpr int kDefaultDpi = 96;

// number * numerator / denominator in 64 bits, rounded to the nearest integer with halves away
// from zero. -1 when the denominator is 0 or the result does not fit in 32 bits, as the
// platform call that the size arithmetic was written against.
int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator);

int32_t HimetricFromPixels(int32_t pixels, int32_t dpi = kDefaultDpi);
int32_t PixelsFromHimetric(int32_t himetric, int32_t dpi = kDefaultDpi);

} // namespace pictures
