#pragma once
// Small helpers shared by the fuzz targets.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

inline std::string_view AsText(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A failed property is a finding: print it and abort so libFuzzer keeps the input.
#define FUZZ_CHECK(cond, what)                                                                     \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "property failed: %s (%s)\n", what, #cond);                      \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
