// Replays the fuzzing corpus kept in the repository through the fuzz targets' own checks, in
// every build and under the sanitizers, so that an input once found interesting stays covered.

#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz/import_properties.h"
#include "fuzz/properties.h"
#include "tests/test_support.h"

namespace rotopal {
namespace {

std::vector<std::filesystem::path> CorpusFiles(const char* target) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(ROTOPAL_FUZZ_CORPUS) / target)) {
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(FuzzCorpus, ReaderInputsRoundTripOrAreRefused) {
    const auto files = CorpusFiles("reader");
    ASSERT_GE(files.size(), 10u);
    for (const auto& file : files) {
        EXPECT_TRUE(fuzz::ReaderRoundTrips(test::ReadBytes(file.string()))) << file;
    }
}

TEST(FuzzCorpus, Rle8InputsStayInsideTheImage) {
    const auto files = CorpusFiles("rle8");
    ASSERT_GE(files.size(), 10u);
    for (const auto& file : files) {
        EXPECT_TRUE(fuzz::Rle8StaysInside(test::ReadBytes(file.string()))) << file;
    }
}

TEST(FuzzCorpus, PicturesImportedAreSoundScreens) {
    const auto files = CorpusFiles("picture");
    ASSERT_GE(files.size(), 8u);
    for (const auto& file : files) {
        EXPECT_TRUE(fuzz::ImportedScreenIsSound(test::ReadBytes(file.string()))) << file;
    }
}

TEST(FuzzCorpus, PartitionTablesAcceptedLieInsideTheDisk) {
    const auto files = CorpusFiles("mbr");
    ASSERT_GE(files.size(), 10u);
    for (const auto& file : files) {
        EXPECT_TRUE(fuzz::PartitionTableIsSound(test::ReadBytes(file.string()))) << file;
    }
}

}  // namespace
}  // namespace rotopal
