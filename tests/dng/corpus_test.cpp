// Every file of the fuzz corpus (seeds and what the fuzzer found) goes through parse,
// stage-1 read and the stage builds without a crash; refusals are the layer's errors.
#include <gtest/gtest.h>

#include <filesystem>

#include "dng/dng_exceptions.h"
#include "dng_test_support.h"
#include "tests/support/test_files.h"

namespace {

TEST(FuzzCorpus, EveryFileEndsInAResultOrALayerError) {
    size_t files = 0;
    size_t read = 0;
    for (const auto& entry : std::filesystem::directory_iterator(DNG_CORPUS_DIR)) {
        ++files;
        SCOPED_TRACE(entry.path().filename().string());
        try {
            auto f = LoadDNG(test_support::ReadFileBytes(entry.path().string()));
            f->negative->BuildStage2Image(f->host, ttShort);
            f->negative->BuildStage3Image(f->host, -1);
            ++read;
        } catch (const dng_exception& e) {
            EXPECT_NE(e.ErrorCode(), dng_error_unknown) << e.what();
        }
    }
    EXPECT_GE(files, 4u);
    EXPECT_GE(read, 4u);
}

}  // namespace
