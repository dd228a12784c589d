#include "cli/info_report.h"

#include <array>
#include <cstdio>
#include <set>
#include <sstream>
#include <tuple>

#include "palette/animation_range.h"

namespace rotopal::cli {
namespace {

std::string CompressionName(std::uint32_t compression) {
    return compression == kCompressionRle8 ? "RLE8-compressed (decoded)" : "uncompressed";
}

std::string AnimationLine(const LogoDocument& document) {
    const std::uint32_t stored = document.infoHeader.biClrImportant;
    const auto range = RangeValueFromClrImportant(stored);
    if (!range) {
        if (stored == 0) {
            return "none stored (biClrImportant 0)";
        }
        return "none (biClrImportant " + std::to_string(stored) + " is not a palette index)";
    }
    const int count = AnimatedCount(*range, document.lastIndex);
    std::string line = "biClrImportant " + std::to_string(stored) + ": range value " +
                       std::to_string(*range) + ", ";
    if (count <= 0) {
        return line + "no stored entry animates (the range lies above index " +
               std::to_string(document.lastIndex) + ")";
    }
    return line + std::to_string(count) + " animated entries (" +
           std::to_string(FirstAnimatedIndex(*range)) + ".." + std::to_string(document.lastIndex) +
           ")";
}

}  // namespace

std::string HexColour(const RGBQUAD& entry) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "#%02X%02X%02X", entry.rgbRed, entry.rgbGreen,
                  entry.rgbBlue);
    return text.data();
}

std::string InfoReport(const std::string& path, const LogoDocument& document,
                       const LogoRepairs& repairs) {
    const auto& info = document.infoHeader;
    const std::size_t colours = StoredColourCount(document);

    std::array<bool, kPaletteEntries> used{};
    for (const auto index : document.pixels) {
        used[index] = true;
    }
    std::size_t usedCount = 0;
    std::set<std::tuple<int, int, int>> distinct;
    for (std::size_t i = 0; i < colours; ++i) {
        if (used[i]) {
            ++usedCount;
        }
        const auto& e = document.palette[i];
        distinct.emplace(e.rgbRed, e.rgbGreen, e.rgbBlue);
    }

    std::ostringstream out;
    out << "File:       " << path << '\n'
        << "Image:      " << info.biWidth << " x " << info.biHeight << ", " << info.biBitCount
        << " bits per pixel, " << CompressionName(info.biCompression) << ", " << info.biSize
        << "-byte info header\n"
        << "Colours:    " << colours << " stored (biClrUsed " << info.biClrUsed << ")\n"
        << "Animation:  " << AnimationLine(document) << '\n';
    const auto repaired = RepairPhrases(repairs);
    for (std::size_t i = 0; i < repaired.size(); ++i) {
        out << (i == 0 ? "Repaired:   " : "; ") << repaired[i];
    }
    if (!repaired.empty()) {
        out << '\n';
    }
    out << "Palette:    " << usedCount << " of " << colours << " entries used by pixels, "
        << distinct.size() << " distinct colours\n";

    const auto range = RangeValueFromClrImportant(info.biClrImportant);
    if (range && AnimatedCount(*range, document.lastIndex) > 0) {
        out << "Animated entries:\n";
        int column = 0;
        for (int i = FirstAnimatedIndex(*range); i <= document.lastIndex; ++i) {
            out << "  " << i << ' ' << HexColour(document.palette[static_cast<std::size_t>(i)]);
            if (++column == 6) {
                out << '\n';
                column = 0;
            }
        }
        if (column != 0) {
            out << '\n';
        }
    }
    return out.str();
}

}  // namespace rotopal::cli
