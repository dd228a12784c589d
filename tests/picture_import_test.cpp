#include "import/picture_import.h"

#include <glib.h>
// libjpeg needs FILE declared before it.
#include <cstdio>
#include <jpeglib.h>
#include <lcms2.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>

#include "document/file_io.h"
#include "import/animated_band.h"
#include "import/colour_reduction.h"
#include "import/decoder_words.h"
#include "import/icc_profile.h"
#include "import/picture_engine.h"
#include "import/vips_runtime.h"
#include "tests/test_pictures.h"
#include "tests/test_support.h"

namespace rotopal {
namespace {

using test::PrintTo;

constexpr Rgb kRed{200, 40, 30};
constexpr Rgb kGreen{40, 180, 60};
constexpr Rgb kBlue{30, 60, 210};
constexpr Rgb kBackground{16, 32, 48};

struct Sample {
    int x, y;
    Rgb colour;
};

struct FitCase {
    const char* name;
    int width, height;
    std::vector<Rgb> stripes;
    Fit fit;
    std::vector<Sample> samples;  // screen pixels, top row first
    bool leftHalfTransparent = false;
    // 6: stored turned a quarter anticlockwise, as a JPEG tagged to show it turned back;
    // width and height are the picture's upright size.
    int orientation = 1;
    int bandRows = 0;
};

void PrintTo(const FitCase& row, std::ostream* os) {
    *os << row.name;
}

class FitTest : public ::testing::TestWithParam<FitCase> {};

// Each picture is laid out as a 4:3 display shows the screen: 320 columns of pixels 5:3 as wide
// as tall. Samples keep a few pixels away from edges, where resampling blends.
TEST_P(FitTest, PlacesThePictureAsA43DisplayShowsIt) {
    const FitCase& c = GetParam();
    const auto stripes = test::Stripes(c.width, c.stripes);
    const test::PixelColour colour = [&](int x, int y) {
        auto rgba = stripes(x, y);
        // A second row of stripes, in reverse, below the first: shows which way is up.
        if (c.orientation != 1 && y >= c.height / 2) {
            rgba = stripes(c.width - 1 - x, y);
        }
        rgba[3] = c.leftHalfTransparent && x < c.width / 2 ? 0 : 255;
        return rgba;
    };
    const bool turned = c.orientation == 6;
    const auto bytes =
        turned ? test::EncodePicture(c.height, c.width,
                                     test::StoredForOrientation6(colour, c.width), ".jpg", false, 6)
               : test::EncodePicture(c.width, c.height, colour, ".png", c.leftHalfTransparent);
    ImportOptions options;
    options.fit = c.fit;
    options.background = kBackground;
    options.bandRows = c.bandRows;
    options.dither = 0;
    const auto imported = ImportPicture(bytes, options);
    ASSERT_TRUE(imported) << DescribeImportError(imported.error());
    for (const Sample& s : c.samples) {
        const Rgb got = test::ScreenColourAt(imported.value().document, s.x, s.y);
        const auto near = [](int a, int b) { return std::abs(a - b) <= 3; };
        EXPECT_TRUE(near(got.red, s.colour.red) && near(got.green, s.colour.green) &&
                    near(got.blue, s.colour.blue))
            << "at (" << s.x << ", " << s.y << "): got " << int{got.red} << "," << int{got.green}
            << "," << int{got.blue} << " expected " << int{s.colour.red} << ","
            << int{s.colour.green} << "," << int{s.colour.blue};
    }
}

const std::vector<Sample> kCornersRed{
    {1, 1, kRed}, {318, 1, kRed}, {1, 398, kRed}, {318, 398, kRed}};

INSTANTIATE_TEST_SUITE_P(
    Pictures, FitTest,
    ::testing::Values(
        // 640 x 480 is the display's own shape: every mode fills the screen exactly.
        FitCase{"FourByThreeContain", 640, 480, {kRed}, Fit::Contain, kCornersRed},
        FitCase{"FourByThreeCover", 640, 480, {kRed}, Fit::Cover, kCornersRed},
        FitCase{"FourByThreeStretch", 640, 480, {kRed}, Fit::Stretch, kCornersRed},
        // Above a band of 100 rows, contain fits the picture into 300 rows: 240 columns wide.
        FitCase{"ContainKeepsAboveATallBand",
                640,
                480,
                {kRed},
                Fit::Contain,
                {{37, 150, kBackground},
                 {43, 150, kRed},
                 {276, 150, kRed},
                 {282, 150, kBackground},
                 {160, 1, kRed},
                 {160, 297, kRed}},
                false,
                1,
                100},
        // A square takes the middle 240 columns.
        FitCase{"SquareContain",
                480,
                480,
                {kRed},
                Fit::Contain,
                {{37, 200, kBackground},
                 {43, 200, kRed},
                 {276, 200, kRed},
                 {282, 200, kBackground},
                 {160, 1, kRed},
                 {160, 398, kRed}}},
        // 16:1 is 640 x 40 on the display: 33 rows in the middle.
        FitCase{"VeryWideContain",
                1600,
                100,
                {kRed},
                Fit::Contain,
                {{160, 180, kBackground},
                 {160, 186, kRed},
                 {160, 213, kRed},
                 {160, 219, kBackground},
                 {1, 200, kRed},
                 {318, 200, kRed}}},
        // 1:16 is 30 x 480 on the display: 15 columns in the middle.
        FitCase{"VeryTallContain",
                100,
                1600,
                {kRed},
                Fit::Contain,
                {{148, 200, kBackground},
                 {153, 200, kRed},
                 {165, 200, kRed},
                 {171, 200, kBackground},
                 {159, 1, kRed},
                 {159, 398, kRed}}},
        // Three stripes 2:1 wide: cover keeps the middle one only, stretch all three.
        FitCase{"StripesCover",
                960,
                240,
                {kRed, kGreen, kBlue},
                Fit::Cover,
                {{4, 200, kGreen}, {315, 200, kGreen}, {160, 1, kGreen}}},
        FitCase{"StripesStretch",
                960,
                240,
                {kRed, kGreen, kBlue},
                Fit::Stretch,
                {{20, 200, kRed}, {160, 200, kGreen}, {300, 200, kBlue}}},
        FitCase{"StripesContain",
                960,
                240,
                {kRed, kGreen, kBlue},
                Fit::Contain,
                {{160, 125, kBackground},
                 {20, 200, kRed},
                 {160, 200, kGreen},
                 {300, 200, kBlue},
                 {160, 275, kBackground}}},
        // A strip narrower than the display is enlarged to cover it: only its middle shows.
        FitCase{"NarrowStripCover",
                24,
                3000,
                {kRed, kGreen, kBlue},
                Fit::Cover,
                {{20, 200, kRed}, {160, 200, kGreen}, {300, 200, kBlue}, {160, 1, kGreen}}},
        // Upright by the orientation tag where the picture is enlarged to cover the screen, and
        // where a picture of the screen's own size is stretched onto it pixel for pixel: red
        // then blue across the top half, blue then red across the bottom half.
        FitCase{"TurnedCoverEnlarged",
                240,
                200,
                {kRed, kBlue},
                Fit::Cover,
                {{100, 100, kRed}, {220, 100, kBlue}, {100, 300, kBlue}, {220, 300, kRed}},
                false,
                6},
        FitCase{"TurnedScreenSizeStretched",
                320,
                400,
                {kRed, kBlue},
                Fit::Stretch,
                {{100, 100, kRed}, {220, 100, kBlue}, {100, 300, kBlue}, {220, 300, kRed}},
                false,
                6},
        // Where the picture is transparent, the background shows.
        FitCase{"AlphaContain",
                640,
                480,
                {kRed},
                Fit::Contain,
                {{80, 200, kBackground}, {240, 200, kRed}},
                true}),
    test::CaseName{});

// A picture with many colours, so that the reduction has work to do.
std::vector<std::uint8_t> Gradient(int width = 640, int height = 480) {
    return test::EncodePicture(width, height, [](int x, int y) {
        return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(x * 255 / 639),
                                           static_cast<std::uint8_t>(y * 255 / 479),
                                           static_cast<std::uint8_t>((x + y) % 256), 255};
    });
}

// A picture drawn at the screen's size, stretched, comes through pixel for pixel.
TEST(ImportTest, AScreenSizedPictureStretchedKeepsEveryPixel) {
    const auto colourAt = [](int x, int y) {
        return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(x / 40 * 32),
                                           static_cast<std::uint8_t>(y / 50 * 32 + 8),
                                           static_cast<std::uint8_t>((x + y) % 3 * 100), 255};
    };
    ImportOptions options;
    options.fit = Fit::Stretch;
    options.bandRows = 0;
    options.dither = 0;
    const auto imported = ImportPicture(test::EncodePicture(320, 400, colourAt), options);
    ASSERT_TRUE(imported);
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 320; ++x) {
            const auto c = colourAt(x, y);
            ASSERT_EQ(test::ScreenColourAt(imported.value().document, x, y),
                      (Rgb{c[0], c[1], c[2]}))
                << "(" << x << ", " << y << ")";
        }
    }
}

class EnlargedEdgeTest : public ::testing::TestWithParam<Fit> {};

// A 200 x 200 picture of four quadrants, enlarged on both axes by every fit, keeps its edges
// where they were: the screen is symmetric about them, as Pillow and ImageMagick resample it.
// Half a pixel off, the two pixels either side of an edge would not mirror each other.
TEST_P(EnlargedEdgeTest, KeepsTheEdgesWhereThePictureHasThem) {
    constexpr Rgb kA{20, 40, 200};
    constexpr Rgb kB{230, 200, 30};
    const auto bytes = test::EncodePicture(
        200, 200,
        [&](int x, int y) {
            const Rgb c = (x < 100) != (y < 100) ? kA : kB;
            return std::array<std::uint8_t, 4>{c.red, c.green, c.blue, 255};
        },
        ".png");
    ImportOptions options;
    options.fit = GetParam();
    options.background = kB;
    options.bandRows = 0;
    options.dither = 0;
    const auto imported = ImportPicture(bytes, options);
    ASSERT_TRUE(imported) << DescribeImportError(imported.error());
    const auto mirrors = [&](Rgb p, Rgb q, const std::string& where) {
        for (const auto& [a, b, total] : {std::tuple{p.red, q.red, kA.red + kB.red},
                                          std::tuple{p.green, q.green, kA.green + kB.green},
                                          std::tuple{p.blue, q.blue, kA.blue + kB.blue}}) {
            EXPECT_NEAR(a + b, total, 12) << where;
        }
    };
    const LogoDocument& screen = imported.value().document;
    for (int k = 0; k < 3; ++k) {
        mirrors(test::ScreenColourAt(screen, 159 - k, 100),
                test::ScreenColourAt(screen, 160 + k, 100),
                "columns " + std::to_string(159 - k) + " and " + std::to_string(160 + k));
        mirrors(test::ScreenColourAt(screen, 80, 199 - k),
                test::ScreenColourAt(screen, 80, 200 + k),
                "rows " + std::to_string(199 - k) + " and " + std::to_string(200 + k));
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFit, EnlargedEdgeTest,
                         ::testing::Values(Fit::Contain, Fit::Cover, Fit::Stretch));

// Decoders' messages in the user's terms.
TEST(DecoderWords, TellWhatIsWrongWithThePictureNotWhichLibraryNoticed) {
    const std::pair<const char*, const char*> rows[] = {
        {"VipsJpeg: Premature end of input file", "the JPEG data ends early"},
        {"TIFFFillStrip: Read error at scanline 108; got 2644 bytes, expected 8100",
         "the TIFF data ends early or is damaged"},
        {"gifload_source: Unexpected end of GIF source data", "the GIF data ends early"},
        {"webp2vips: unable to read pixels", "the WebP data is damaged or ends early"},
        {"vips_foo: bar_baz: something odd.", "something odd"},
        {"a sentence: with a colon", "a sentence: with a colon"},
    };
    for (const auto& [said, meant] : rows) {
        EXPECT_EQ(InPlainWords(said), meant) << said;
    }
}

struct BandCase {
    const char* name;
    int range;
    int rows;
};

class BandTest : public ::testing::TestWithParam<BandCase> {};

// The picture never uses the animated entries; the band uses nothing else, spans all 320
// columns whatever the count, and shows every entry left to right in runs that differ by one
// column at most, so that rotating them moves the band evenly.
TEST_P(BandTest, SpansEveryColumnWithEveryAnimatedEntry) {
    const auto [name, range, rows] = GetParam();
    ImportOptions options;
    options.range = range;
    options.bandRows = rows;
    const auto imported = ImportPicture(Gradient(), options);
    ASSERT_TRUE(imported) << DescribeImportError(imported.error());
    const LogoDocument& document = imported.value().document;
    const int first = 256 - range;
    EXPECT_EQ(document.infoHeader.biClrImportant, static_cast<std::uint32_t>(first));
    EXPECT_EQ(document.lastIndex, 255);
    std::vector<int> columns(static_cast<std::size_t>(range), 0);
    for (int y = 0; y < 400; ++y) {
        const bool inBand = y >= 400 - rows;
        int previous = first;
        for (int x = 0; x < 320; ++x) {
            const int index = test::ScreenIndexAt(document, x, y);
            if (!inBand) {
                ASSERT_LT(index, first) << "picture pixel (" << x << ", " << y << ")";
                continue;
            }
            ASSERT_GE(index, previous) << "band pixel (" << x << ", " << y << ") out of order";
            previous = index;
            if (y == 399) {
                ++columns[static_cast<std::size_t>(index - first)];
            }
        }
    }
    if (rows > 0) {
        const auto [fewest, most] = std::minmax_element(columns.begin(), columns.end());
        EXPECT_GE(*fewest, 320 / range) << "an entry with too few columns";
        EXPECT_LE(*most, (320 + range - 1) / range) << "an entry with too many columns";
    }
    const auto band = BandColours(DefaultBandStops(), range);
    for (int i = 0; i < range; ++i) {
        EXPECT_EQ(document.palette[static_cast<std::size_t>(first + i)],
                  band[static_cast<std::size_t>(i)])
            << "entry " << first + i;
    }
}

INSTANTIATE_TEST_SUITE_P(Ranges, BandTest,
                         ::testing::Values(BandCase{"Default", 20, 8}, BandCase{"Seven", 7, 3},
                                           BandCase{"TwentyFour", 24, 8}, BandCase{"Thirty", 30, 8},
                                           BandCase{"HalfTheWidth", 161, 4},
                                           BandCase{"TwoHundred", 200, 8},
                                           BandCase{"OneColourPicture", 255, 8},
                                           BandCase{"OneAnimated", 1, 2}),
                         test::CaseName{});

TEST(BandColoursTest, PassesThroughEveryStopAndLoopsBackToTheFirst) {
    const std::vector<Rgb> stops{{0, 0, 0}, {200, 100, 0}};
    const auto colours = BandColours(stops, 4);
    ASSERT_EQ(colours.size(), 4u);
    EXPECT_EQ(colours[0], ToRgbQuad({0, 0, 0}));
    EXPECT_EQ(colours[1], ToRgbQuad({100, 50, 0}));
    EXPECT_EQ(colours[2], ToRgbQuad({200, 100, 0}));
    EXPECT_EQ(colours[3], ToRgbQuad({100, 50, 0}));  // on its way back: no seam
}

TEST(ImportTest, WithoutABandTheTopEntriesStayBlackAndUnused) {
    ImportOptions options;
    options.bandRows = 0;
    const auto imported = ImportPicture(Gradient(), options);
    ASSERT_TRUE(imported);
    for (const std::uint8_t index : imported.value().document.pixels) {
        ASSERT_LT(index, 236);
    }
    for (std::size_t i = 236; i < 256; ++i) {
        EXPECT_EQ(imported.value().document.palette[i], RGBQUAD{}) << "entry " << i;
    }
}

struct BadPictureCase {
    const char* name;
    std::function<std::vector<std::uint8_t>()> bytes;
    ImportErrorKind kind;
};

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes) {
    bytes.resize(bytes.size() / 2);
    return bytes;
}

// A PNG whose header claims 60000 x 60000 pixels, with no pixels behind it.
std::vector<std::uint8_t> HugePngHeader() {
    auto png = test::EncodePicture(2, 2, [](int, int) { return std::array<std::uint8_t, 4>{}; });
    const std::array<std::uint8_t, 8> size{0, 0, 0xEA, 0x60, 0, 0, 0xEA, 0x60};
    std::copy(size.begin(), size.end(), png.begin() + 16);
    // The IHDR chunk's CRC, over its type and data, so that the header itself is sound.
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 12; i < 29; ++i) {
        crc ^= png[i];
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    crc = ~crc;
    for (int k = 0; k < 4; ++k) {
        png[static_cast<std::size_t>(29 + k)] = static_cast<std::uint8_t>(crc >> (24 - 8 * k));
    }
    return png;
}

// A JPEG whose frame header claims 40000 x 40000 pixels, cut right after that header.
std::vector<std::uint8_t> HugeJpegHeader() {
    auto jpeg = test::EncodePicture(16, 16, [](int, int) { return std::array<std::uint8_t, 4>{}; }, ".jpg");
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            const std::array<std::uint8_t, 4> size{0x9C, 0x40, 0x9C, 0x40};  // height, width
            std::copy(size.begin(), size.end(), jpeg.begin() + static_cast<long>(i + 5));
            jpeg.resize(i + 2 + (std::size_t{jpeg[i + 2]} << 8 | jpeg[i + 3]));
            return jpeg;
        }
    }
    ADD_FAILURE() << "no baseline frame header";
    return jpeg;
}

class BadPictureTest : public ::testing::TestWithParam<BadPictureCase> {};

TEST_P(BadPictureTest, IsRefusedWithItsReason) {
    const auto imported = ImportPicture(GetParam().bytes(), ImportOptions{});
    ASSERT_FALSE(imported);
    EXPECT_EQ(imported.error().kind, GetParam().kind) << DescribeImportError(imported.error());
    EXPECT_FALSE(DescribeImportError(imported.error()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BadPictureTest,
    ::testing::Values(
        BadPictureCase{"Empty", [] { return std::vector<std::uint8_t>{}; }, ImportErrorKind::Empty},
        BadPictureCase{"Text",
                       [] {
                           const std::string text = "just some words\n";
                           return std::vector<std::uint8_t>(text.begin(), text.end());
                       },
                       ImportErrorKind::UnknownFormat},
        BadPictureCase{"TruncatedPng", [] { return Cut(Gradient()); }, ImportErrorKind::Damaged},
        BadPictureCase{"TruncatedJpeg",
                       [] {
                           return Cut(test::EncodePicture(
                               640, 480,
                               [](int x, int y) {
                                   return std::array<std::uint8_t, 4>{
                                       static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                       static_cast<std::uint8_t>(x ^ y), 255};
                               },
                               ".jpg"));
                       },
                       ImportErrorKind::Damaged},
        // The PNG signature alone, and with its header chunk cut off in the middle.
        BadPictureCase{"SignatureOnly",
                       [] {
                           const auto png = Gradient();
                           return std::vector<std::uint8_t>(png.begin(), png.begin() + 8);
                       },
                       ImportErrorKind::Damaged},
        BadPictureCase{"SignatureAndCutHeader",
                       [] {
                           const auto png = Gradient();
                           return std::vector<std::uint8_t>(png.begin(), png.begin() + 20);
                       },
                       ImportErrorKind::Damaged},
        BadPictureCase{"HugePngHeader", HugePngHeader, ImportErrorKind::TooManyPixels},
        // The size is told even though the file ends before its first scan.
        BadPictureCase{"HugeJpegHeader", HugeJpegHeader, ImportErrorKind::TooManyPixels}),
    test::CaseName{});

TEST(ImportFileTest, MissingFilesAndFoldersAreRefusedBeforeDecoding) {
    test::TempDir dir;
    EXPECT_EQ(ImportPictureFile(dir / "missing.png", {}).error().kind, ImportErrorKind::CannotOpen);
    EXPECT_EQ(ImportPictureFile(dir.path(), {}).error().kind, ImportErrorKind::NotRegularFile);
    test::WriteBytes(dir / "picture.gif",
                     test::EncodePicture(64, 48, test::Stripes(64, {kRed, kBlue}), ".gif"));
    EXPECT_TRUE(IsPictureFile(dir / "picture.gif"));
    EXPECT_TRUE(ImportPictureFile(dir / "picture.gif", {}));
    EXPECT_FALSE(IsPictureFile(dir / "missing.png"));
}

// The bytes this process has read through read() and its kin, by every thread.
std::uint64_t BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") {
            return value;
        }
    }
    return 0;
}

TEST(ImportFileTest, ATooLargePictureIsRefusedFromItsHeaderWithoutReadingItsPixels) {
    test::TempDir dir;
    auto bytes = HugePngHeader();
    bytes.resize(bytes.size() + (std::size_t{64} << 20), 0x55);  // 64 MiB of "pixels" behind it
    test::WriteBytes(dir / "huge.png", bytes);
    const auto imported = ImportPictureFile(dir / "huge.png", {});
    ASSERT_FALSE(imported);
    EXPECT_EQ(imported.error().kind, ImportErrorKind::TooManyPixels);
    EXPECT_EQ(imported.error().width, 60000u);
    // What the decoder program reads is measured on the engine it runs, in this process.
    const auto file = OpenForReading(dir / "huge.png");
    ASSERT_TRUE(file);
    const std::uint64_t before = BytesRead();
    EXPECT_EQ(engine::DecodeDescriptor(file.value().descriptor(), {}, RotopalVipsBackend()).error().kind,
              ImportErrorKind::TooManyPixels);
    EXPECT_LT(BytesRead() - before, std::uint64_t{1} << 20) << "bytes read to judge the header";
}

TEST(ImportTest, DamageTheDecoderReadsPastIsToldNotPassedOffAsSound) {
    auto jpeg = test::EncodePicture(64, 48, test::Stripes(64, {kRed, kGreen, kBlue}), ".jpg");
    const auto sound = ImportPicture(jpeg, ImportOptions{});
    ASSERT_TRUE(sound);
    EXPECT_TRUE(sound.value().repairs.empty());
    // Zeros in the middle of the compressed data: the decoder resynchronises and goes on.
    std::fill_n(jpeg.begin() + static_cast<long>(jpeg.size() * 3 / 4), 6, std::uint8_t{0});
    const auto damaged = ImportPicture(jpeg, ImportOptions{});
    ASSERT_TRUE(damaged) << DescribeImportError(damaged.error());
    ASSERT_FALSE(damaged.value().repairs.empty());
    EXPECT_EQ(damaged.value().repairs.back(), "the JPEG data is damaged in places")
        << damaged.value().repairs.back();
}

// A JPEG of one colour, `pixel` in the given colour space (CMYK as Adobe's programs write it,
// inverted: 255 for no ink), with an embedded ICC profile when one is given.
std::vector<std::uint8_t> FlatJpeg(J_COLOR_SPACE space, std::vector<std::uint8_t> pixel,
                                   std::span<const std::uint8_t> profile = {}) {
    constexpr int kWidth = 64, kHeight = 48;
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = static_cast<int>(pixel.size());
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    if (!profile.empty()) {
        jpeg_write_icc_profile(&info, profile.data(), static_cast<unsigned>(profile.size()));
    }
    std::vector<std::uint8_t> row;
    for (int x = 0; x < kWidth; ++x) {
        row.insert(row.end(), pixel.begin(), pixel.end());
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW line = row.data();
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<std::uint8_t> bytes(out, out + size);
    std::free(out);
    jpeg_destroy_compress(&info);
    return bytes;
}

// sRGB's colorants with a straight line for a tone curve: 128 in it is sRGB's 188.
std::vector<std::uint8_t> LinearRgbProfile() {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};
    cmsToneCurve* line = cmsBuildGamma(nullptr, 1.0);
    cmsToneCurve* curves[3] = {line, line, line};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(line);
    return bytes;
}

struct JpegColourRow {
    const char* name;
    std::vector<std::uint8_t> file;
    Rgb shown;
};

class JpegColourTest : public ::testing::TestWithParam<JpegColourRow> {};

// What a JPEG's pixels mean: a print shop's CMYK file without a profile shows the colour its
// inks make (full magenta and yellow are red, not the pale pink of a press profile applied to
// screen colours); grey is grey; a profile that is not sRGB's own is converted from.
TEST_P(JpegColourTest, ShowsWhatItsPixelsMean) {
    ImportOptions options;
    options.fit = Fit::Stretch;
    options.bandRows = 0;
    options.dither = 0;
    const auto imported = ImportPicture(GetParam().file, options);
    ASSERT_TRUE(imported) << DescribeImportError(imported.error());
    const Rgb got = test::ScreenColourAt(imported.value().document, 160, 200);
    const Rgb& want = GetParam().shown;
    const auto near = [](int a, int b) { return std::abs(a - b) <= 4; };
    EXPECT_TRUE(near(got.red, want.red) && near(got.green, want.green) && near(got.blue, want.blue))
        << int{got.red} << "," << int{got.green} << "," << int{got.blue};
}

// A colour profile whose chunks do not add up is left out, and the import says so, in words
// about the profile rather than about the picture's data.
TEST(ImportTest, AProfileWithAChunkMissingIsLeftOutAndSaidSo) {
    const auto profile = LinearRgbProfile();
    auto jpeg = FlatJpeg(JCS_RGB, {128, 128, 128}, profile);
    // The one chunk says it is the first of two.
    for (std::size_t i = 0; i + 16 < jpeg.size(); ++i) {
        if (std::equal(jpeg.begin() + static_cast<long>(i), jpeg.begin() + static_cast<long>(i) + 12,
                       "ICC_PROFILE")) {
            jpeg[i + 13] = 2;
            break;
        }
    }
    ImportOptions options;
    options.fit = Fit::Stretch;
    options.bandRows = 0;
    options.dither = 0;
    const auto imported = ImportPicture(jpeg, options);
    ASSERT_TRUE(imported) << DescribeImportError(imported.error());
    EXPECT_EQ(imported.value().repairs, std::vector<std::string>{std::string(kProfileUnreadable)});
    EXPECT_NEAR(test::ScreenColourAt(imported.value().document, 160, 200).red, 128, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, JpegColourTest,
    ::testing::Values(JpegColourRow{"AdobeCmyk", FlatJpeg(JCS_CMYK, {255, 0, 0, 255}), {255, 0, 0}},
                      JpegColourRow{"Grey", FlatJpeg(JCS_GRAYSCALE, {90}), {90, 90, 90}},
                      JpegColourRow{"LinearProfile",
                                    FlatJpeg(JCS_RGB, {128, 128, 128}, LinearRgbProfile()),
                                    {188, 188, 188}}),
    test::CaseName{});

// libvips goes on after one of its allocations fails, leaving black rows: that is a want of
// memory, never a repair (a 16-bit TIFF under ulimit -v 150 MB came out so).
TEST(ImportTest, MemoryRunningOutWhileDecodingIsNoRepair) {
    ASSERT_TRUE(StartVips());
    DecoderWarnings warnings;
    g_log("VIPS", G_LOG_LEVEL_WARNING, "%s", "out of memory --- size == 0MB");
    g_log("VIPS", G_LOG_LEVEL_WARNING, "%s", "VipsJpeg: Corrupt JPEG data: 3 extraneous bytes");
    EXPECT_TRUE(warnings.MemoryRanOut());
    EXPECT_EQ(warnings.Take(), std::vector<std::string>{"the JPEG data is damaged in places"});
}

struct OptionsCase {
    const char* name;
    ImportOptions options;
    bool valid;
};

class OptionsTest : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(OptionsTest, AreCheckedBeforeAnythingIsDecoded) {
    EXPECT_EQ(!OptionsProblem(GetParam().options), GetParam().valid);
}

ImportOptions With(auto change) {
    ImportOptions options;
    change(options);
    return options;
}

INSTANTIATE_TEST_SUITE_P(
    Limits, OptionsTest,
    ::testing::Values(OptionsCase{"Defaults", {}, true},
                      OptionsCase{"RangeZero", With([](auto& o) { o.range = 0; }), false},
                      OptionsCase{"Range255", With([](auto& o) { o.range = 255; }), true},
                      OptionsCase{"Range256", With([](auto& o) { o.range = 256; }), false},
                      OptionsCase{"Band399", With([](auto& o) { o.bandRows = 399; }), true},
                      OptionsCase{"Band400", With([](auto& o) { o.bandRows = 400; }), false},
                      OptionsCase{"NegativeBand", With([](auto& o) { o.bandRows = -1; }), false},
                      OptionsCase{"DitherAboveOne", With([](auto& o) { o.dither = 1.5f; }), false},
                      OptionsCase{"DitherNaN", With([](auto& o) {
                                      o.dither = std::numeric_limits<float>::quiet_NaN();
                                  }),
                                  false}),
    test::CaseName{});

TEST(ParseRgbTest, TakesSixHexDigitsWithOrWithoutHash) {
    EXPECT_EQ(ParseRgb("#ff8000"), (Rgb{255, 128, 0}));
    EXPECT_EQ(ParseRgb("0A0b0C"), (Rgb{10, 11, 12}));
    for (const char* bad : {"", "#", "#ff800", "#ff80000", "#gg0000", "#+f8000", "0x1234"}) {
        EXPECT_FALSE(ParseRgb(bad)) << bad;
    }
    EXPECT_EQ(ParseRgbList("#000000,#ffffff")->size(), 2u);
    for (const char* bad : {"", ",#000000", "#000000,", "#000000;#ffffff"}) {
        EXPECT_FALSE(ParseRgbList(bad)) << bad;
    }
}

// Without dithering every pixel takes its nearest colour of the palette found, exactly as trying
// every entry finds it (the lower index on a tie), whatever pruning the search does.
TEST(ColourReductionTest, UnditheredPixelsTakeTheirNearestColourExactly) {
    std::vector<std::uint8_t> rgba(320 * 400 * 4);
    std::uint32_t seed = 12345;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        for (std::size_t c = 0; c < 3; ++c) {
            seed = seed * 1664525u + 1013904223u;
            rgba[i + c] = static_cast<std::uint8_t>(seed >> 24);
        }
        rgba[i + 3] = 255;
    }
    const auto reduced = ReduceColours(rgba, 320, 400, 200, 0.0f, std::nullopt);
    ASSERT_TRUE(reduced);
    const auto& palette = reduced.value().palette;
    for (std::size_t p = 0; p < 320 * 400; ++p) {
        int best = -1;
        int bestDistance = 0;
        for (std::size_t k = 0; k < palette.size(); ++k) {
            const int dr = palette[k].rgbRed - rgba[4 * p],
                      dg = palette[k].rgbGreen - rgba[4 * p + 1],
                      db = palette[k].rgbBlue - rgba[4 * p + 2];
            const int distance = dr * dr + dg * dg + db * db;
            if (best < 0 || distance < bestDistance) {
                best = static_cast<int>(k);
                bestDistance = distance;
            }
        }
        ASSERT_EQ(reduced.value().indices[p], best) << "pixel " << p;
    }
}

// An ICC profile built field by field: RGB to XYZ, three colorants, a tone curve per channel.
struct IccRecipe {
    std::array<std::array<double, 3>, 3> colorants{
        {{0.4361, 0.2225, 0.0139}, {0.3851, 0.7169, 0.0971}, {0.1431, 0.0606, 0.7141}}};
    enum class Curve { SrgbParametric, SrgbTable, Gamma22 } curve = Curve::SrgbParametric;
    std::size_t cutTo = 0;  // 0: the whole profile
};

test::Bytes EncodeIcc(const IccRecipe& recipe) {
    test::Bytes bytes(128, 0);
    const auto put32 = [](test::Bytes& b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
        }
    };
    const auto fixed = [](double v) {
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(v * 65536)));
    };
    const auto text = [](const char* s) {
        return std::uint32_t(s[0]) << 24 | std::uint32_t(s[1]) << 16 | std::uint32_t(s[2]) << 8 |
               std::uint32_t(s[3]);
    };
    put32(bytes, 16, text("RGB "));
    put32(bytes, 20, text("XYZ "));
    std::vector<std::pair<const char*, test::Bytes>> tags;
    const char* names[] = {"rXYZ", "gXYZ", "bXYZ"};
    for (std::size_t c = 0; c < 3; ++c) {
        test::Bytes tag(20, 0);
        put32(tag, 0, text("XYZ "));
        for (std::size_t i = 0; i < 3; ++i) {
            put32(tag, 8 + 4 * i, fixed(recipe.colorants[c][i]));
        }
        tags.emplace_back(names[c], tag);
    }
    test::Bytes curve;
    if (recipe.curve == IccRecipe::Curve::SrgbParametric) {
        curve.assign(32, 0);
        put32(curve, 0, text("para"));
        curve[8] = 0;
        curve[9] = 3;
        const double p[] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
        for (std::size_t i = 0; i < 5; ++i) {
            put32(curve, 12 + 4 * i, fixed(p[i]));
        }
    } else {
        const std::uint32_t count = recipe.curve == IccRecipe::Curve::SrgbTable ? 1024 : 1;
        curve.assign(12 + 2 * count + 2, 0);
        put32(curve, 0, text("curv"));
        put32(curve, 8, count);
        for (std::uint32_t i = 0; i < count; ++i) {
            // One entry is a gamma in u8Fixed8 (2.2 is 0x0233); a table samples sRGB's curve.
            const double x = i / 1023.0;
            const double y = x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
            const auto value = count == 1 ? std::uint32_t{0x0233}
                                          : static_cast<std::uint32_t>(std::lround(y * 65535));
            curve[12 + 2 * i] = static_cast<std::uint8_t>(value >> 8);
            curve[13 + 2 * i] = static_cast<std::uint8_t>(value);
        }
    }
    for (const char* name : {"rTRC", "gTRC", "bTRC"}) {
        tags.emplace_back(name, curve);
    }
    test::Bytes table(4 + 12 * tags.size(), 0);
    put32(table, 0, static_cast<std::uint32_t>(tags.size()));
    std::size_t offset = 128 + table.size();
    test::Bytes data;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        put32(table, 4 + 12 * i, text(tags[i].first));
        put32(table, 8 + 12 * i, static_cast<std::uint32_t>(offset + data.size()));
        put32(table, 12 + 12 * i, static_cast<std::uint32_t>(tags[i].second.size()));
        data.insert(data.end(), tags[i].second.begin(), tags[i].second.end());
        while (data.size() % 4 != 0) {
            data.push_back(0);
        }
    }
    bytes.insert(bytes.end(), table.begin(), table.end());
    bytes.insert(bytes.end(), data.begin(), data.end());
    if (recipe.cutTo != 0) {
        bytes.resize(recipe.cutTo);
    }
    return bytes;
}

struct IccRow {
    const char* name;
    IccRecipe recipe;
    bool srgb;
};

class IccProfileTest : public ::testing::TestWithParam<IccRow> {};

// sRGB is told by what the profile does, not what it is called: a wider gamut with sRGB's own
// curve, or sRGB's primaries with a plain gamma, must be converted.
TEST_P(IccProfileTest, IsSrgbOnlyWhenItsColorantsAndCurvesAre) {
    EXPECT_EQ(IsSrgbProfile(EncodeIcc(GetParam().recipe)), GetParam().srgb);
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, IccProfileTest,
    ::testing::Values(IccRow{"SrgbParametric", {}, true},
                      IccRow{"SrgbTable", {.curve = IccRecipe::Curve::SrgbTable}, true},
                      IccRow{"DisplayP3WithSrgbCurve",
                             {.colorants = {{{0.5151, 0.2412, -0.0011},
                                             {0.2920, 0.6922, 0.0419},
                                             {0.1571, 0.0666, 0.7841}}}},
                             false},
                      IccRow{
                          "SrgbPrimariesWithGamma22", {.curve = IccRecipe::Curve::Gamma22}, false},
                      IccRow{"CutInsideItsTags", {.cutTo = 200}, false}),
    test::CaseName{});

}  // namespace
}  // namespace rotopal
