// Colour conversions between red-green-blue and hue-lightness-saturation (all components
// doubles in 0..1; hue 0 red, 1/6 yellow, 2/6 green, 3/6 cyan, 4/6 blue, 5/6 magenta), and the
// highlight and shadow shades of a colour.
#pragma once

#include <array>

#include "platform/gfx/colors.h"
#include "platform/rtl/exceptions.h"

// Raised for a component outside 0..1: "HLS2RGB: 0 <= Hue value <= 1 required" and the like.
QN_DECLARE_EXCEPTION(EColorConv, Exception);

using TRGBTriple = std::array<double, 3>;  // red, green, blue
using THLSTriple = std::array<double, 3>;  // hue, lightness, saturation

void HLS2RGB(const THLSTriple& hls, TRGBTriple& rgb);
void RGB2HLS(const TRGBTriple& rgb, THLSTriple& hls);

// The two shades of a colour (system colours resolved first): each highlight channel is
// 255 - (round((256 - c) x highlightFactor) mod 256); the shadow is the colour with its
// lightness multiplied by shadowFactor.
void ShadeColors(TColor color, TColor& highlight, TColor& shadow, float shadowFactor, float highlightFactor);
