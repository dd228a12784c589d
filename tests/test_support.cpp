#include "tests/test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace rotopal::test {
namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "rotopal-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Folders made read-only by a test must be writable again to be removed.
    for (auto it = fs::recursive_directory_iterator(path_, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }
    fs::remove_all(path_, ignored);
}

std::vector<std::string> TempDir::List() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

namespace {

void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

}  // namespace

Bytes EncodeBmp(const BmpRecipe& s) {
    const std::size_t tableOffset = 14 + 40 + s.headerPadding;
    const std::size_t pixelOffset = tableOffset + 4 * s.colours.size() + s.gap;
    const std::size_t total = pixelOffset + s.pixelBlock.size();

    Bytes b;
    Put16(b, s.bfType);
    Put32(b, s.bfSize != 0 ? s.bfSize : static_cast<std::uint32_t>(total));
    Put16(b, s.bfReserved1);
    Put16(b, s.bfReserved2);
    Put32(b, s.bfOffBits >= 0 ? static_cast<std::uint32_t>(s.bfOffBits)
                              : static_cast<std::uint32_t>(pixelOffset));
    Put32(b, s.biSize);
    Put32(b, static_cast<std::uint32_t>(s.biWidth));
    Put32(b, static_cast<std::uint32_t>(s.biHeight));
    Put16(b, s.biPlanes);
    Put16(b, s.biBitCount);
    Put32(b, s.biCompression);
    Put32(b, s.biSizeImage);
    Put32(b, static_cast<std::uint32_t>(s.biXPelsPerMeter));
    Put32(b, static_cast<std::uint32_t>(s.biYPelsPerMeter));
    Put32(b, s.biClrUsed);
    Put32(b, s.biClrImportant);
    // Extra header bytes of the later versions: a recognisable filler that must never be read
    // as colours.
    b.insert(b.end(), s.headerPadding, 0xEE);
    for (const auto& c : s.colours) {
        b.insert(b.end(), {c.rgbBlue, c.rgbGreen, c.rgbRed, c.rgbReserved});
    }
    b.insert(b.end(), s.gap, 0xDD);
    b.insert(b.end(), s.pixelBlock.begin(), s.pixelBlock.end());
    return b;
}

RGBQUAD DistinctColour(int index) {
    // Red and blue differ for every index, so no entry is grey and no two are equal.
    const auto i = static_cast<unsigned>(index);
    return RGBQUAD{static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>((i * 37) & 0xFF),
                   static_cast<std::uint8_t>(i), static_cast<std::uint8_t>((i * 11) & 0xFF)};
}

std::vector<RGBQUAD> DistinctColours(int count) {
    std::vector<RGBQUAD> colours;
    for (int i = 0; i < count; ++i) {
        colours.push_back(DistinctColour(i));
    }
    return colours;
}

Palette DistinctPalette() {
    Palette palette{};
    for (std::size_t i = 0; i < palette.size(); ++i) {
        palette[i] = DistinctColour(static_cast<int>(i));
    }
    return palette;
}

Bytes PatternPixels(int colours, std::uint32_t seed) {
    Bytes pixels(kLogoPixelCount);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        // Mostly position-driven, so rows differ and shifts show, with noise on top.
        const auto row = i / kLogoWidth, column = i % kLogoWidth;
        const auto value =
            (row * 7 + column * 3 + ((state >> 24) & 3)) % static_cast<unsigned>(colours);
        pixels[i] = static_cast<std::uint8_t>(value);
    }
    return pixels;
}

BmpRecipe ClassicScreen(int colours, std::uint32_t seed) {
    BmpRecipe recipe;
    recipe.biClrUsed = colours == 256 ? 0 : static_cast<std::uint32_t>(colours);
    recipe.colours = DistinctColours(colours);
    recipe.pixelBlock = PatternPixels(colours, seed);
    return recipe;
}

LogoDocument MakeDocument(int colours, std::uint32_t firstAnimated) {
    LogoDocument doc{};
    const auto table = static_cast<std::uint32_t>(4 * colours);
    doc.fileHeader = {.bfType = 0x4D42, .bfSize = 54 + table + 128000, .bfOffBits = 54 + table};
    doc.infoHeader = {.biSize = 40,
                      .biWidth = 320,
                      .biHeight = 400,
                      .biPlanes = 1,
                      .biBitCount = 8,
                      .biSizeImage = 128000,
                      .biXPelsPerMeter = 2835,
                      .biYPelsPerMeter = 2835,
                      .biClrUsed = colours == 256 ? 0u : static_cast<std::uint32_t>(colours),
                      .biClrImportant = firstAnimated};
    for (int i = 0; i < colours; ++i) {
        doc.palette[static_cast<std::size_t>(i)] = DistinctColour(i);
    }
    const auto pixels = PatternPixels(colours);
    std::copy(pixels.begin(), pixels.end(), doc.pixels.begin());
    doc.lastIndex = static_cast<std::uint8_t>(colours - 1);
    return doc;
}

::testing::AssertionResult SameBytes(std::span<const std::uint8_t> expected,
                                     std::span<const std::uint8_t> actual) {
    const auto common = std::min(expected.size(), actual.size());
    const auto mismatch = std::mismatch(
        expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(common), actual.begin());
    if (mismatch.first == expected.begin() + static_cast<std::ptrdiff_t>(common) &&
        expected.size() == actual.size()) {
        return ::testing::AssertionSuccess();
    }
    std::ostringstream why;
    why << "sizes " << expected.size() << " (expected) and " << actual.size() << " (actual)";
    if (mismatch.first != expected.begin() + static_cast<std::ptrdiff_t>(common)) {
        const auto offset = mismatch.first - expected.begin();
        why << "; first difference at offset " << offset << ": expected " << int{*mismatch.first}
            << ", actual " << int{*mismatch.second};
    } else {
        why << "; equal up to the shorter length";
    }
    return ::testing::AssertionFailure() << why.str();
}

::testing::AssertionResult SameImage(const ArgbImage& expected, const ArgbImage& actual) {
    if (expected.width != actual.width || expected.height != actual.height) {
        return ::testing::AssertionFailure()
               << "sizes " << expected.width << "x" << expected.height << " (expected) and "
               << actual.width << "x" << actual.height << " (actual)";
    }
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            if (expected.At(x, y) != actual.At(x, y)) {
                std::ostringstream why;
                why << "first difference at (" << x << ", " << y << "): expected 0x" << std::hex
                    << expected.At(x, y) << ", actual 0x" << actual.At(x, y);
                return ::testing::AssertionFailure() << why.str();
            }
        }
    }
    return ::testing::AssertionSuccess();
}

namespace {

std::string Quad(const RGBQUAD& q) {
    std::ostringstream text;
    text << "(r " << int{q.rgbRed} << ", g " << int{q.rgbGreen} << ", b " << int{q.rgbBlue}
         << ", reserved " << int{q.rgbReserved} << ")";
    return text.str();
}

}  // namespace

::testing::AssertionResult SameDocument(const LogoDocument& expected, const LogoDocument& actual) {
    const auto differ = [](const char* field, auto want, auto got) {
        return ::testing::AssertionFailure()
               << field << " differs: expected " << +want << ", actual " << +got;
    };
#define ROTOPAL_COMPARE(field)                               \
    if (expected.field != actual.field) {                    \
        return differ(#field, expected.field, actual.field); \
    }
    ROTOPAL_COMPARE(fileHeader.bfType)
    ROTOPAL_COMPARE(fileHeader.bfSize)
    ROTOPAL_COMPARE(fileHeader.bfReserved1)
    ROTOPAL_COMPARE(fileHeader.bfReserved2)
    ROTOPAL_COMPARE(fileHeader.bfOffBits)
    ROTOPAL_COMPARE(infoHeader.biSize)
    ROTOPAL_COMPARE(infoHeader.biWidth)
    ROTOPAL_COMPARE(infoHeader.biHeight)
    ROTOPAL_COMPARE(infoHeader.biPlanes)
    ROTOPAL_COMPARE(infoHeader.biBitCount)
    ROTOPAL_COMPARE(infoHeader.biCompression)
    ROTOPAL_COMPARE(infoHeader.biSizeImage)
    ROTOPAL_COMPARE(infoHeader.biXPelsPerMeter)
    ROTOPAL_COMPARE(infoHeader.biYPelsPerMeter)
    ROTOPAL_COMPARE(infoHeader.biClrUsed)
    ROTOPAL_COMPARE(infoHeader.biClrImportant)
    ROTOPAL_COMPARE(lastIndex)
#undef ROTOPAL_COMPARE
    for (std::size_t i = 0; i < kPaletteEntries; ++i) {
        if (expected.palette[i] != actual.palette[i]) {
            return ::testing::AssertionFailure()
                   << "palette entry " << i << " differs: expected " << Quad(expected.palette[i])
                   << ", actual " << Quad(actual.palette[i]);
        }
    }
    for (std::size_t i = 0; i < kLogoPixelCount; ++i) {
        if (expected.pixels[i] != actual.pixels[i]) {
            // Pixels are stored bottom row first.
            return ::testing::AssertionFailure()
                   << "pixel (" << i % kLogoWidth << ", " << kLogoHeight - 1 - i / kLogoWidth
                   << ") differs: expected index " << int{expected.pixels[i]} << ", actual "
                   << int{actual.pixels[i]};
        }
    }
    return ::testing::AssertionSuccess();
}

int RunInChild(const std::function<int()>& fn) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(fn());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

bool RunningAsRoot() {
    return ::geteuid() == 0;
}

}  // namespace rotopal::test
