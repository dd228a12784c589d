// The GIF encoder's own edges; its frames are checked against Pillow and ImageMagick in
// interop/check_gif.py.

#include "animation/gif_export.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/test_support.h"

namespace rotopal {
namespace {

TEST(EncodeAnimatedGif, RefusesSpansOutsideTheStoredColours) {
    const LogoDocument small = test::MakeDocument(16);
    for (const std::int32_t span : {-1, 16, 255}) {
        const auto encoded = EncodeAnimatedGif(small, span, {});
        ASSERT_FALSE(encoded) << span;
        EXPECT_EQ(encoded.error().kind, ExportError::Kind::InvalidSpan);
    }
}

TEST(EncodeAnimatedGif, WholePaletteRangeStillMakesAValidFile) {
    // Every index animates, so no index is left to be transparent: all frames are whole.
    const LogoDocument doc = test::MakeDocument();
    const auto encoded = EncodeAnimatedGif(doc, 255, {});
    ASSERT_TRUE(encoded);
    const auto& bytes = encoded.value();
    ASSERT_GT(bytes.size(), 256u * 768u) << "256 local colour tables at least";
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    EXPECT_EQ(bytes.back(), 0x3B) << "the trailer";
}

TEST(WriteAnimatedGif, FailureKeepsTheOldFile) {
    test::TempDir dir;
    ::mkdir((dir / "in-the-way.gif").c_str(), 0755);
    const auto written = WriteAnimatedGif(dir / "in-the-way.gif", test::MakeDocument(), 3, {});
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().write.path, dir / "in-the-way.gif");
    EXPECT_EQ(dir.List(), std::vector<std::string>{"in-the-way.gif"});
}

}  // namespace
}  // namespace rotopal
