#include "import/import_options.h"

#include <charconv>

namespace rotopal {

const std::vector<Rgb>& DefaultBandStops() {
    // Red, gold, green, sky blue, violet; the band runs from the last back into the first.
    static const std::vector<Rgb> stops{
        {232, 65, 60}, {246, 195, 68}, {76, 187, 108}, {61, 143, 224}, {138, 90, 214}};
    return stops;
}

std::optional<std::string> OptionsProblem(const ImportOptions& options) {
    if (options.range < 1 || options.range > 255) {
        return "the range must be 1 to 255";
    }
    if (options.bandRows < 0 || options.bandRows > kMaxBandRows) {
        return "the band must be 0 to " + std::to_string(kMaxBandRows) + " rows";
    }
    // Written so that NaN fails too.
    if (!(options.dither >= 0.0f && options.dither <= 1.0f)) {
        return "the dither level must be 0 to 1";
    }
    return std::nullopt;
}

std::optional<Rgb> ParseRgb(std::string_view text) {
    if (!text.empty() && text.front() == '#') {
        text.remove_prefix(1);
    }
    if (text.size() != 6) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return Rgb{static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
               static_cast<std::uint8_t>(value)};
}

std::optional<std::vector<Rgb>> ParseRgbList(std::string_view text) {
    std::vector<Rgb> colours;
    while (true) {
        const auto comma = text.find(',');
        const auto colour = ParseRgb(text.substr(0, comma));
        if (!colour) {
            return std::nullopt;
        }
        colours.push_back(*colour);
        if (comma == std::string_view::npos) {
            return colours;
        }
        text.remove_prefix(comma + 1);
    }
}

std::optional<Fit> ParseFit(std::string_view text) {
    if (text == "contain") {
        return Fit::Contain;
    }
    if (text == "cover") {
        return Fit::Cover;
    }
    if (text == "stretch") {
        return Fit::Stretch;
    }
    return std::nullopt;
}

}  // namespace rotopal
