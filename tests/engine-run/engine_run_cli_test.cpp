#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>

#include "pgm_image.h"
#include "tests/support/kernel_grid_text.h"

namespace {

using enginerun::PgmImage;

// Each case runs the tool in its own temporary folder, so parallel runs cannot collide.
class EngineRunCli : public ::testing::Test {
protected:
    // A smooth hill that falls to nearly 0 at the borders.
    std::string WriteHill(int maxValue) const {
        PgmImage image{70, 50, maxValue, {}};
        for (int r = 0; r < image.height; ++r)
            for (int c = 0; c < image.width; ++c)
                image.samples.push_back(uint16_t(maxValue * 0.9 * std::sin(M_PI * (r + 0.5) / image.height) *
                                                 std::sin(M_PI * (c + 0.5) / image.width)));
        enginerun::WritePgm(folder.File("hill.pgm"), image);
        return folder.File("hill.pgm");
    }

    // Grid with core cells on line 50 from character `first` to `last`.
    std::string WriteGrid(int first, int last) const {
        return test_support::WriteKernelGrid(folder.File("grid.txt"), 50, first, last);
    }

    static int Run(const std::string& arguments) {
        int status = -1;
        test_support::RunCommand(std::string("'") + ENGINE_RUN_PATH + "' " + arguments + " 2>/dev/null", &status);
        return status;
    }

    static int MaxDifference(const PgmImage& a, const PgmImage& b) {
        int worst = 0;
        for (std::size_t i = 0; i < a.samples.size(); ++i)
            worst = std::max(worst, std::abs(int(a.samples[i]) - int(b.samples[i])));
        return worst;
    }

    test_support::TempFolder folder;
};

TEST_F(EngineRunCli, CentreCellKeepsTheInputInBothDepthsALineChangesItACircleLimitsIt) {
    const std::string out = folder.File("out.pgm");
    for (int maxValue : {255, 4095}) {
        const std::string in = WriteHill(maxValue);
        ASSERT_EQ(Run(in + " " + out + " " + WriteGrid(50, 50) + " --white " + std::to_string(maxValue)), 0);
        const PgmImage input = enginerun::ReadPgm(in), output = enginerun::ReadPgm(out);
        EXPECT_EQ(std::tuple(output.width, output.height, output.maxValue), std::tuple(70, 50, maxValue));
        EXPECT_LE(MaxDifference(input, output), 1) << "maximum " << maxValue;
    }

    const std::string in = folder.File("hill.pgm");
    const std::string line = WriteGrid(40, 60) + " --white 4095 --lowpass 30";
    ASSERT_EQ(Run(in + " " + out + " " + line), 0);
    EXPECT_GT(MaxDifference(enginerun::ReadPgm(in), enginerun::ReadPgm(out)), 10);
    // A circle far outside the plane, offsets included, leaves everything alone.
    ASSERT_EQ(Run(in + " " + out + " " + line + " --circle 1025,2035,5,5,0 --offset 900,1900"), 0);
    EXPECT_EQ(MaxDifference(enginerun::ReadPgm(in), enginerun::ReadPgm(out)), 0);
}

TEST_F(EngineRunCli, BadArgumentsAndFilesExitWithCode2) {
    const std::string in = WriteHill(255);
    const std::string grid = WriteGrid(50, 50);
    const std::string out = folder.File("out.pgm");
    for (const std::string& arguments : {
             in + " " + out + " " + grid,  // no --white
             folder.File("missing.pgm") + " " + out + " " + grid + " --white 255",
             grid + " " + out + " " + grid + " --white 255",  // not a PGM
             in + " " + out + " " + in + " --white 255",      // not a grid
             in + " " + folder.File("no/such/dir/out.pgm") + " " + grid + " --white 255",
         })
        EXPECT_EQ(Run(arguments), 2) << arguments;
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
