#pragma once
// Sizes are designed at 96 dots per inch; at another resolution they scale
// in proportion, rounded to the nearest pixel (halves away from zero).

inline constexpr int kDesignDpi = 96;

constexpr int ScaleForDpi(int value, int dpi)
{
    const long long product = static_cast<long long>(value) * dpi;
    const long long half = kDesignDpi / 2;
    return static_cast<int>(product >= 0 ? (product + half) / kDesignDpi : -((-product + half) / kDesignDpi));
}
