#pragma once
// Ready-made sets of the ten curve colours: one the General Settings dialog and
// `varnotile-cli render --palette` put into CurveColors[1..10] in one step.
#include "dataset.h"

#include <array>
#include <optional>
#include <string_view>

namespace varnotile {

enum class CurvePalette {
    // Ten colours that people with the common colour-vision deficiencies can tell apart: the
    // eight of Okabe and Ito in their own order (black first), then grey and wine.
    Distinct,
    // Every curve black, as with no settings file.
    Black,
};

// The colours of curves 1..10, curve 1 first.
const std::array<Rgb, kCurveCount>& PaletteColors(CurvePalette palette);
// Sets CurveColors[1..10] to the palette; the other entries of the table stay.
void ApplyPalette(CurvePalette palette, Slots<Rgb, 21>& curveColors);
// The palette a command line names: "distinct" or "black".
std::optional<CurvePalette> PaletteNamed(std::string_view name);

} // namespace varnotile
