#include "import/decoder_words.h"

#include <algorithm>
#include <array>
#include <utility>

namespace rotopal {
namespace {

// Words the decoders use, and what they mean for the picture; the first that fits is taken.
constexpr std::array<std::pair<std::string_view, std::string_view>, 20> kMeanings{{
    {kProfileUnreadable, kProfileUnreadable},
    {"Unsupported JPEG data precision",
     "the JPEG has 12 or 16 bits a sample, which this program does not read"},
    {"Unsupported JPEG process", "the JPEG is lossless or hierarchical, which this program does not read"},
    {"Premature end of JPEG", "the JPEG data ends early"},
    {"VipsJpeg: Premature end", "the JPEG data ends early"},
    {"Premature end of input file", "the picture's data ends early"},
    {"Corrupt JPEG data", "the JPEG data is damaged in places"},
    {"Not a JPEG file", "the JPEG data is not a JPEG picture"},
    {"libpng read error", "the PNG data is damaged or ends early"},
    {"CRC error", "the PNG data is damaged (a checksum does not match)"},
    {"Unexpected end of GIF", "the GIF data ends early"},
    {"Invalid frame data", "the GIF data is damaged"},
    {"unable to parse image", "the WebP data is damaged or ends early"},
    {"unable to read pixels", "the WebP data is damaged or ends early"},
    {"TIFFFillStrip", "the TIFF data ends early or is damaged"},
    {"TIFFFillTile", "the TIFF data ends early or is damaged"},
    {"Read error", "the picture's data ends early or is damaged"},
    {"not in a known format", "the picture's data is damaged or cut short"},
    {"bad seek", "the picture's data ends early"},
    {"heif", "the HEIF data is damaged or ends early"},
}};

// "VipsJpeg: ", "gifload_source: " and the like: one word and a colon at the start.
std::string_view WithoutPrefixes(std::string_view words) {
    while (true) {
        const auto colon = words.find(": ");
        if (colon == std::string_view::npos || colon == 0 ||
            words.substr(0, colon).find(' ') != std::string_view::npos) {
            return words;
        }
        words.remove_prefix(colon + 2);
    }
}

constexpr auto kPhrases = [] {
    std::array<std::string_view, kMeanings.size()> phrases{};
    std::size_t count = 0;
    for (const auto& [said, meant] : kMeanings) {
        bool seen = false;
        for (std::size_t i = 0; i < count; ++i) {
            seen = seen || phrases[i] == meant;
        }
        if (!seen) {
            phrases[count++] = meant;
        }
    }
    return std::pair{phrases, count};
}();

// Words for what a want of memory kept from happening.
constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kShortOf{{
    {"Error creating thread", "no thread could be started"},
    {"Thread creation failed", "no thread could be started"},
    {"failed to map segment", "a decoder library could not be loaded"},
    {"cannot open shared object", "a decoder library could not be loaded"},
}};

}  // namespace

bool SaysMemoryRanOut(std::string_view libraryWords) {
    constexpr std::array<std::string_view, 4> kWords{"out of memory", "Insufficient memory",
                                                     "Error creating thread",
                                                     "Thread creation failed"};
    return std::any_of(kWords.begin(), kWords.end(), [&](std::string_view words) {
        return libraryWords.find(words) != std::string_view::npos;
    });
}

bool SaysNoRoomToLoad(std::string_view loaderWords) {
    return loaderWords.find("failed to map segment") != std::string_view::npos ||
           loaderWords.find("Cannot allocate memory") != std::string_view::npos;
}

std::string MemoryInPlainWords(std::string_view libraryWords) {
    for (const auto& [said, meant] : kShortOf) {
        if (libraryWords.find(said) != std::string_view::npos) {
            return std::string(meant);
        }
    }
    return "";
}

std::span<const std::string_view> KnownDamagePhrases() {
    return std::span(kPhrases.first).first(kPhrases.second);
}

std::string InPlainWords(std::string_view decoderWords) {
    for (const auto& [said, meant] : kMeanings) {
        if (decoderWords.find(said) != std::string_view::npos) {
            return std::string(meant);
        }
    }
    std::string plain(WithoutPrefixes(decoderWords));
    while (!plain.empty() && (plain.back() == '.' || plain.back() == ' ')) {
        plain.pop_back();
    }
    return plain;
}

}  // namespace rotopal
