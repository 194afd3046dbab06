#include "palettes.h"

namespace varnotile {
namespace {

// An Rgb from the usual #RRGGBB notation (Rgb keeps red in the lowest byte).
constexpr Rgb fromHex(uint32_t rrggbb) {
    return ((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) | ((rrggbb & 0xFF) << 16);
}

constexpr std::array<Rgb, kCurveCount> kDistinct{
    fromHex(0x000000), // black
    fromHex(0xE69F00), // orange
    fromHex(0x56B4E9), // sky blue
    fromHex(0x009E73), // bluish green
    fromHex(0xF0E442), // yellow
    fromHex(0x0072B2), // blue
    fromHex(0xD55E00), // vermillion
    fromHex(0xCC79A7), // reddish purple
    fromHex(0x999999), // grey: apart from the others by its lack of colour
    fromHex(0x882255), // wine: darker than any red or purple above
};
constexpr std::array<Rgb, kCurveCount> kBlack{};

} // namespace

const std::array<Rgb, kCurveCount>& PaletteColors(CurvePalette palette) {
    return palette == CurvePalette::Distinct ? kDistinct : kBlack;
}

void ApplyPalette(CurvePalette palette, Slots<Rgb, 21>& curveColors) {
    const std::array<Rgb, kCurveCount>& colors = PaletteColors(palette);
    for (int k = 1; k <= kCurveCount; ++k) curveColors[k] = colors[static_cast<std::size_t>(k - 1)];
    RepeatCurveColors(curveColors);
}

std::optional<CurvePalette> PaletteNamed(std::string_view name) {
    if (name == "distinct") return CurvePalette::Distinct;
    if (name == "black") return CurvePalette::Black;
    return std::nullopt;
}

} // namespace varnotile
