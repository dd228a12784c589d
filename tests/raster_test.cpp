// The layout's own pieces: turning a picture upright, reading its EXIF orientation, and
// resampling.

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "import/exif_orientation.h"
#include "import/raster.h"
#include "import/resample.h"
#include "tests/test_support.h"

namespace rotopal {
namespace {

// A 3 x 2 raster whose pixels are numbered 0 to 5 in their red byte, row by row:
//   0 1 2
//   3 4 5
Raster Numbered() {
    Raster raster = Raster::Blank(3, 2);
    for (std::size_t i = 0; i < 6; ++i) {
        raster.rgba[i * 4] = static_cast<std::uint8_t>(i);
    }
    return raster;
}

std::vector<int> Numbers(const Raster& raster) {
    std::vector<int> numbers;
    for (std::size_t i = 0; i < raster.rgba.size(); i += 4) {
        numbers.push_back(raster.rgba[i]);
    }
    return numbers;
}

struct UprightRow {
    const char* name;
    int orientation;
    int width;
    std::vector<int> shown;  // row by row
};

class UprightTest : public ::testing::TestWithParam<UprightRow> {};

// Each EXIF orientation as it is defined: how the stored pixels must be turned to show upright.
TEST_P(UprightTest, ShowsTheStoredPixelsAsTheTagSays) {
    const Raster turned = Upright(Numbered(), GetParam().orientation);
    EXPECT_EQ(turned.width, GetParam().width);
    EXPECT_EQ(Numbers(turned), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Orientations, UprightTest,
    ::testing::Values(UprightRow{"AsStored", 1, 3, {0, 1, 2, 3, 4, 5}},
                      UprightRow{"Mirrored", 2, 3, {2, 1, 0, 5, 4, 3}},
                      UprightRow{"HalfTurn", 3, 3, {5, 4, 3, 2, 1, 0}},
                      UprightRow{"Flipped", 4, 3, {3, 4, 5, 0, 1, 2}},
                      UprightRow{"Transposed", 5, 2, {0, 3, 1, 4, 2, 5}},
                      UprightRow{"QuarterClockwise", 6, 2, {3, 0, 4, 1, 5, 2}},
                      UprightRow{"Transversed", 7, 2, {5, 2, 4, 1, 3, 0}},
                      UprightRow{"QuarterAnticlockwise", 8, 2, {2, 5, 1, 4, 0, 3}},
                      UprightRow{"Unknown", 9, 3, {0, 1, 2, 3, 4, 5}}),
    test::CaseName{});

// An APP1 body: "Exif\0\0", a TIFF header in the byte order given, one folder of `entries`.
test::Bytes Exif(bool bigEndian, std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                 std::uint16_t value) {
    test::Bytes bytes{'E', 'x', 'i', 'f', 0, 0};
    const auto put16 = [&](std::uint32_t v) {
        bigEndian ? bytes.insert(bytes.end(), {std::uint8_t(v >> 8), std::uint8_t(v)})
                  : bytes.insert(bytes.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
    };
    const auto put32 = [&](std::uint32_t v) {
        bigEndian ? (put16(v >> 16), put16(v & 0xFFFF)) : (put16(v & 0xFFFF), put16(v >> 16));
    };
    bytes.insert(bytes.end(), bigEndian ? std::initializer_list<std::uint8_t>{'M', 'M'}
                                        : std::initializer_list<std::uint8_t>{'I', 'I'});
    put16(42);
    put32(8);  // the folder right after the header
    put16(1);  // one entry
    put16(tag);
    put16(type);
    put32(count);
    put16(value);
    put16(0);
    put32(0);  // no next folder
    return bytes;
}

struct ExifRow {
    const char* name;
    test::Bytes block;
    int orientation;
};

class ExifTest : public ::testing::TestWithParam<ExifRow> {};

TEST_P(ExifTest, ReadsTheOrientationOnlyFromASoundBlock) {
    EXPECT_EQ(ExifOrientation(GetParam().block), GetParam().orientation);
}

test::Bytes Without(test::Bytes bytes, std::size_t tail) {
    bytes.resize(bytes.size() - tail);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, ExifTest,
    ::testing::Values(ExifRow{"LittleEndian", Exif(false, 0x0112, 3, 1, 6), 6},
                      ExifRow{"BigEndian", Exif(true, 0x0112, 3, 1, 8), 8},
                      ExifRow{"AnotherTag", Exif(false, 0x0110, 3, 1, 6), 1},
                      ExifRow{"ALongAsSomeCamerasWriteIt", Exif(false, 0x0112, 4, 1, 6), 6},
                      ExifRow{"Text", Exif(false, 0x0112, 2, 1, 6), 1},
                      ExifRow{"NoSuchOrientation", Exif(false, 0x0112, 3, 1, 9), 1},
                      ExifRow{"EntryCutShort", Without(Exif(false, 0x0112, 3, 1, 6), 9), 1},
                      ExifRow{"FolderPastTheEnd",
                              [] {
                                  auto b = Exif(false, 0x0112, 3, 1, 6);
                                  b[10] = 0xF0;  // the folder's offset
                                  return b;
                              }(),
                              1},
                      ExifRow{"NotExif", test::Bytes{'J', 'F', 'I', 'F', 0, 0, 'I', 'I', 42, 0}, 1},
                      ExifRow{"Empty", test::Bytes{}, 1}),
    test::CaseName{});

Raster Flat(int width, int height, std::array<std::uint8_t, 4> colour, bool alpha) {
    Raster raster = Raster::Blank(width, height, alpha);
    for (std::size_t i = 0; i < raster.rgba.size(); i += 4) {
        std::copy(colour.begin(), colour.end(), raster.rgba.begin() + static_cast<long>(i));
    }
    return raster;
}

// The weights of every output pixel add up to one, at the edges too, both ways.
TEST(ResampleTest, AFlatColourStaysFlatShrunkOrEnlarged) {
    const Raster flat = Flat(37, 23, {200, 10, 90, 255}, false);
    for (const auto& [width, height] : {std::pair{11, 7}, std::pair{100, 61}, std::pair{5, 40}}) {
        const Raster resized = Resample(flat, width, height);
        ASSERT_EQ(resized.rgba.size(), static_cast<std::size_t>(width * height * 4));
        for (std::size_t i = 0; i < resized.rgba.size(); i += 4) {
            ASSERT_EQ(resized.rgba[i], 200) << width << "x" << height << " at " << i / 4;
            ASSERT_EQ(resized.rgba[i + 1], 10) << width << "x" << height << " at " << i / 4;
            ASSERT_EQ(resized.rgba[i + 2], 90) << width << "x" << height << " at " << i / 4;
        }
    }
}

// A transparent pixel's colour weighs nothing: red under full transparency beside opaque blue
// leaves pure blue wherever anything shows.
TEST(ResampleTest, TransparentColoursDoNotBleed) {
    Raster mixed = Flat(8, 8, {0, 0, 255, 255}, true);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 4; ++x) {
            std::uint8_t* p = mixed.Row(y) + x * 4;
            p[0] = 255, p[2] = 0, p[3] = 0;
        }
    }
    for (const Raster& out : {Resample(mixed, 3, 3), BoxShrink(mixed, 2)}) {
        for (std::size_t i = 0; i < out.rgba.size(); i += 4) {
            if (out.rgba[i + 3] > 0) {
                EXPECT_EQ(out.rgba[i], 0) << "red bled into pixel " << i / 4;
            }
        }
    }
}

}  // namespace
}  // namespace rotopal
