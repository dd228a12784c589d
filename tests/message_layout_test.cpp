#include "core/message_layout.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace rotopal {
namespace {

using test::PrintTo;

struct LayoutCase {
    const char* name;
    const char* layout;
    const char* text;
};

class FillInTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(FillInTest, PutsEachValueInPlaceOfItsName) {
    const auto& c = GetParam();
    EXPECT_EQ(FillIn(c.layout, {{"path", "/x/{step}.gif"}, {"step", "writing"}, {"n", ""}}),
              c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, FillInTest,
    ::testing::Values(LayoutCase{"Both", "cannot write {path} ({step})",
                                 "cannot write /x/{step}.gif (writing)"},
                      LayoutCase{"Adjacent", "{step}{step}", "writingwriting"},
                      LayoutCase{"EmptyValue", "a{n}b", "ab"},
                      LayoutCase{"UnknownNameStays", "{frame}: {step}", "{frame}: writing"},
                      LayoutCase{"BraceBeforeAName", "{a{step}}", "{awriting}"},
                      LayoutCase{"UnclosedBrace", "{step} {path", "writing {path"},
                      LayoutCase{"NoNames", "plain", "plain"}, LayoutCase{"Empty", "", ""}),
    test::CaseName());

}  // namespace
}  // namespace rotopal
