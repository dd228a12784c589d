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

// The length of the well-formed UTF-8 sequence at the start of text, or 0 when there is none
// (a stray continuation byte, an overlong form, a surrogate, beyond U+10FFFF, cut short).
std::size_t Utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(0);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3
                               : lead < 0xF5                                    ? 4
                                                                                : 0;
    if (length == 0 || length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    // The second byte's range rules out overlong forms, surrogates and code points past U+10FFFF.
    if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) > 0x9F) ||
        (lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) > 0x8F)) {
        return 0;
    }
    return length;
}

bool IsUtf8(std::string_view text) {
    while (!text.empty()) {
        const std::size_t length = Utf8SequenceLength(text);
        if (length == 0) {
            return false;
        }
        text.remove_prefix(length);
    }
    return true;
}

// A JSON string: quotes, backslashes and control characters escaped, UTF-8 as it is, and each
// byte that is not part of well-formed UTF-8 (a name from an old disk in a legacy code page)
// replaced by U+FFFD, so that the output is always valid JSON.
std::string JsonString(std::string_view text) {
    std::string out = "\"";
    while (!text.empty()) {
        const std::size_t length = Utf8SequenceLength(text);
        const char c = text.front();
        const auto byte = static_cast<unsigned char>(c);
        if (length == 0) {
            out += "\\uFFFD";
            text.remove_prefix(1);
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            constexpr char kHex[] = "0123456789ABCDEF";
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return out + "\"";
}

// The exact bytes as hexadecimal pairs.
std::string HexBytes(std::string_view text) {
    constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kHex[byte >> 4];
        hex += kHex[byte & 15];
    }
    return hex;
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
    out << "{\"file\":" << JsonString(path);
    // A name that is not UTF-8 stays recoverable, byte for byte.
    if (!IsUtf8(path)) {
        out << ",\"fileBytes\":\"" << HexBytes(path) << "\"";
    }
    out << ",\"size\":{\"width\":" << info.biWidth
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
