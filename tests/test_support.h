#pragma once

// Helpers shared by the tests: a scratch folder, an independent BMP byte builder (so tests never
// check the codec against itself), and comparisons that say where buffers differ.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/logo_document.h"
#include "palette/argb_image.h"

namespace rotopal::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    // Names of the entries in the folder, sorted.
    std::vector<std::string> List() const;

private:
    std::string path_;
};

Bytes ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, std::span<const std::uint8_t> bytes);

// Field-by-field description of a bitmap file, encoded by hand in the test helper.
struct BmpRecipe {
    std::uint16_t bfType = 0x4D42;
    std::uint32_t bfSize = 0;  // 0: the real length
    std::uint16_t bfReserved1 = 0;
    std::uint16_t bfReserved2 = 0;
    std::int64_t bfOffBits = -1;  // -1: where the pixels really start
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 320;
    std::int32_t biHeight = 400;
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 8;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 128000;
    std::int32_t biXPelsPerMeter = 2835;
    std::int32_t biYPelsPerMeter = 2835;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
    std::size_t headerPadding = 0;  // bytes after the 40 fields, up to biSize for V4/V5
    std::vector<RGBQUAD> colours;   // the colour table as stored
    std::size_t gap = 0;            // bytes between colour table and pixels
    Bytes pixelBlock;               // raw or RLE8 bytes as stored
};

Bytes EncodeBmp(const BmpRecipe& recipe);

// A distinct, non-grey colour for every index, reserved byte set too.
RGBQUAD DistinctColour(int index);
std::vector<RGBQUAD> DistinctColours(int count);
// A whole palette of DistinctColour entries.
Palette DistinctPalette();

// Pixels that use every index below `colours` in a pattern that differs row by row.
Bytes PatternPixels(int colours, std::uint32_t seed = 1);

// A classic 40-byte-header screen with the given number of stored colours (biClrUsed 0 for 256).
BmpRecipe ClassicScreen(int colours = 256, std::uint32_t seed = 1);

// A fully populated document with a recognisable palette and pixel pattern.
LogoDocument MakeDocument(int colours = 256, std::uint32_t firstAnimated = 240);

// Equality of byte buffers that reports the first differing offset and the sizes.
::testing::AssertionResult SameBytes(std::span<const std::uint8_t> expected,
                                     std::span<const std::uint8_t> actual);

// Equality of images that reports the sizes or the first differing pixel with both colours.
::testing::AssertionResult SameImage(const ArgbImage& expected, const ArgbImage& actual);

// Equality of documents that names the first differing field: a header field, a palette entry
// with both colours, a pixel with its (x, y) and both indices, or lastIndex.
::testing::AssertionResult SameDocument(const LogoDocument& expected, const LogoDocument& actual);

// Names parameterised cases after the `name` field of their row.
struct CaseName {
    template <class Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
        return row.param.name;
    }
};

// Prints a table row by its name instead of its bytes. Test files bring it in with
// `using test::PrintTo;` next to their row types.
template <class Row>
requires requires(const Row& row) {
    std::string_view(row.name);
}
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

// Runs fn in a child process and returns its exit status (or 128 + signal).
int RunInChild(const std::function<int()>& fn);

// True when the tests run with root's powers, which ignore file permissions.
bool RunningAsRoot();

}  // namespace rotopal::test
