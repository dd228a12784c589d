#include "cli/info_report.h"

#include <array>
#include <cstdio>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>
#include <tuple>
#include <vector>

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

namespace {

// What both reports tell, worked out once.
struct InfoFacts {
    std::size_t colours = 0;
    std::size_t usedCount = 0;
    std::size_t distinctCount = 0;
    std::optional<RangeValue> range;
    std::vector<int> animated;  // the stored entries the range animates
};

InfoFacts FactsOf(const LogoDocument& document) {
    InfoFacts facts;
    facts.colours = StoredColourCount(document);
    std::array<bool, kPaletteEntries> used{};
    for (const auto index : document.pixels) {
        used[index] = true;
    }
    std::set<std::tuple<int, int, int>> distinct;
    for (std::size_t i = 0; i < facts.colours; ++i) {
        facts.usedCount += used[i] ? 1u : 0u;
        const auto& e = document.palette[i];
        distinct.emplace(e.rgbRed, e.rgbGreen, e.rgbBlue);
    }
    facts.distinctCount = distinct.size();
    facts.range = RangeValueFromClrImportant(document.infoHeader.biClrImportant);
    if (facts.range && AnimatedCount(*facts.range, document.lastIndex) > 0) {
        for (int i = FirstAnimatedIndex(*facts.range); i <= document.lastIndex; ++i) {
            facts.animated.push_back(i);
        }
    }
    return facts;
}

// A JSON string: quotes, backslashes and control characters escaped, other bytes as they are.
std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            std::array<char, 8> escaped{};
            std::snprintf(escaped.data(), escaped.size(), "\\u%04X", byte);
            out += escaped.data();
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

std::string InfoReport(const std::string& path, const LogoDocument& document,
                       const LogoRepairs& repairs) {
    const auto& info = document.infoHeader;
    const InfoFacts facts = FactsOf(document);

    std::ostringstream out;
    out << "File:       " << path << '\n'
        << "Image:      " << info.biWidth << " x " << info.biHeight << ", " << info.biBitCount
        << " bits per pixel, " << CompressionName(info.biCompression) << ", " << info.biSize
        << "-byte info header\n"
        << "Colours:    " << facts.colours << " stored (biClrUsed " << info.biClrUsed << ")\n"
        << "Animation:  " << AnimationLine(document) << '\n';
    const auto repaired = RepairPhrases(repairs);
    for (std::size_t i = 0; i < repaired.size(); ++i) {
        out << (i == 0 ? "Repaired:   " : "; ") << repaired[i];
    }
    if (!repaired.empty()) {
        out << '\n';
    }
    out << "Palette:    " << facts.usedCount << " of " << facts.colours
        << " entries used by pixels, " << facts.distinctCount << " distinct colours\n";

    if (!facts.animated.empty()) {
        out << "Animated entries:\n";
        int column = 0;
        for (const int i : facts.animated) {
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

std::string InfoJson(const std::string& path, const LogoDocument& document,
                     const LogoRepairs& repairs) {
    const auto& info = document.infoHeader;
    const InfoFacts facts = FactsOf(document);
    std::ostringstream out;
    out << "{\"file\":" << JsonString(path) << ",\"size\":{\"width\":" << info.biWidth
        << ",\"height\":" << info.biHeight << "},\"bitsPerPixel\":" << info.biBitCount
        << ",\"compression\":\"" << (info.biCompression == kCompressionRle8 ? "rle8" : "none")
        << "\",\"infoHeaderBytes\":" << info.biSize << ",\"storedColours\":" << facts.colours
        << ",\"biClrUsed\":" << info.biClrUsed << ",\"biClrImportant\":" << info.biClrImportant
        << ",\"rangeValue\":" << (facts.range ? std::to_string(*facts.range) : "null")
        << ",\"animatedEntries\":[";
    for (std::size_t k = 0; k < facts.animated.size(); ++k) {
        const int i = facts.animated[k];
        out << (k == 0 ? "" : ",") << "{\"index\":" << i << ",\"colour\":\""
            << HexColour(document.palette[static_cast<std::size_t>(i)]) << "\"}";
    }
    out << "],\"usedEntries\":" << facts.usedCount << ",\"distinctColours\":" << facts.distinctCount
        << ",\"repairs\":[";
    const auto repaired = RepairPhrases(repairs);
    for (std::size_t k = 0; k < repaired.size(); ++k) {
        out << (k == 0 ? "" : ",") << JsonString(repaired[k]);
    }
    out << "]}\n";
    return out.str();
}

}  // namespace rotopal::cli
