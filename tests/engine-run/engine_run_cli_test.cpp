#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "pgm_image.h"

namespace {

namespace fs = std::filesystem;
using enginerun::PgmImage;

class EngineRunCli : public ::testing::Test {
protected:
    void SetUp() override {
        // One folder per test and process: cases may run side by side.
        dir_ = fs::path(::testing::TempDir()) /
               ("engine_run_cli_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    // A smooth hill that falls to nearly 0 at the borders.
    std::string WriteHill(const std::string& name, int maxValue) const {
        PgmImage image;
        image.width = 70;
        image.height = 50;
        image.maxValue = maxValue;
        for (int r = 0; r < image.height; ++r)
            for (int c = 0; c < image.width; ++c)
                image.samples.push_back(uint16_t(maxValue * 0.9 * std::sin(M_PI * (r + 0.5) / image.height) *
                                                 std::sin(M_PI * (c + 0.5) / image.width)));
        enginerun::WritePgm(PathOf(name), image);
        return PathOf(name);
    }

    // Grid with core cells on line 50 from character `first` to `last`.
    std::string WriteGrid(const std::string& name, int first, int last) const {
        std::ofstream out(PathOf(name));
        for (int y = 0; y < 100; ++y) {
            std::string line(100, '.');
            if (y == 50)
                for (int x = first; x <= last; ++x) line[x] = 'c';
            out << line << '\n';
        }
        return PathOf(name);
    }

    static int Run(const std::string& arguments) {
        const std::string command = std::string("'") + ENGINE_RUN_PATH + "' " + arguments + " 2>/dev/null";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static int MaxDifference(const PgmImage& a, const PgmImage& b) {
        int worst = 0;
        for (std::size_t i = 0; i < a.samples.size(); ++i)
            worst = std::max(worst, std::abs(int(a.samples[i]) - int(b.samples[i])));
        return worst;
    }

    fs::path dir_;
};

TEST_F(EngineRunCli, CentreCellKernelReturnsTheInputInBothDepths) {
    const std::string grid = WriteGrid("centre.txt", 50, 50);
    for (int maxValue : {255, 4095}) {
        const std::string in = WriteHill("hill.pgm", maxValue);
        const std::string out = PathOf("out.pgm");
        ASSERT_EQ(Run(in + " " + out + " " + grid + " --white " + std::to_string(maxValue)), 0);
        const PgmImage input = enginerun::ReadPgm(in);
        const PgmImage output = enginerun::ReadPgm(out);
        EXPECT_EQ(output.width, input.width);
        EXPECT_EQ(output.height, input.height);
        EXPECT_EQ(output.maxValue, maxValue);
        EXPECT_LE(MaxDifference(input, output), 1) << "maximum " << maxValue;
    }
}

TEST_F(EngineRunCli, LineKernelChangesTheImageAndCirclesLimitIt) {
    const std::string in = WriteHill("hill.pgm", 4095);
    const std::string grid = WriteGrid("line.txt", 40, 60);
    ASSERT_EQ(Run(in + " " + PathOf("line.pgm") + " " + grid + " --white 4095 --lowpass 30"), 0);
    const PgmImage input = enginerun::ReadPgm(in);
    EXPECT_GT(MaxDifference(input, enginerun::ReadPgm(PathOf("line.pgm"))), 10);

    // A circle far outside the plane, offsets included, leaves everything alone.
    ASSERT_EQ(Run(in + " " + PathOf("none.pgm") + " " + grid +
                  " --white 4095 --lowpass 30 --circle 1025,2035,5,5,0 --offset 900,1900"),
              0);
    EXPECT_EQ(MaxDifference(input, enginerun::ReadPgm(PathOf("none.pgm"))), 0);
}

TEST_F(EngineRunCli, BadArgumentsAndFilesExitWithCode2) {
    const std::string in = WriteHill("hill.pgm", 255);
    const std::string grid = WriteGrid("centre.txt", 50, 50);
    const std::string out = PathOf("out.pgm");
    EXPECT_EQ(Run(in + " " + out + " " + grid), 2);  // no --white
    EXPECT_EQ(Run(in + " " + out + " " + grid + " --white 255 --grid-mode 3"), 2);
    EXPECT_EQ(Run(in + " " + out + " " + grid + " --white 255 --bogus 1"), 2);
    EXPECT_EQ(Run(PathOf("missing.pgm") + " " + out + " " + grid + " --white 255"), 2);
    EXPECT_EQ(Run(grid + " " + out + " " + grid + " --white 255"), 2);  // not a PGM
    EXPECT_EQ(Run(in + " " + out + " " + in + " --white 255"), 2);      // not a grid
    EXPECT_EQ(Run(in + " " + PathOf("no/such/dir/out.pgm") + " " + grid + " --white 255"), 2);
    EXPECT_FALSE(fs::exists(out));
}

}  // namespace
