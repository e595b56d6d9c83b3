#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "photo_run_support.h"
#include "tests/support/test_files.h"

namespace {

using test_support::FolderEntries;
using test_support::TempFolder;

enum class Special { Fifo, Folder, Device, Socket, DanglingLink };
struct SpecialCase {
    const char* label;
    Special kind;
    const char* name;
    const char* message;  // the operation's own message
};

void MakeSpecial(Special kind, const std::string& path) {
    switch (kind) {
    case Special::Fifo: ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); break;
    case Special::Folder: std::filesystem::create_directory(path); break;
    // Reached through a link: an endless file whose reading never ends.
    case Special::Device: ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0); break;
    case Special::Socket: {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ASSERT_LT(path.size(), sizeof address.sun_path);
        std::strcpy(address.sun_path, path.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        break;
    }
    case Special::DanglingLink: ASSERT_EQ(::symlink((path + ".gone").c_str(), path.c_str()), 0); break;
    }
}

class SpecialPhotoTest : public testing::TestWithParam<SpecialCase> {};

// Anything but a regular file is refused at once with the operation's message, in the
// browser as in plug-in mode, and nothing is written anywhere. Both readers open through one
// check: every kind goes through the DNG reader; the JPEG reader gets the two that would hang
// it (a pipe without a writer, an endless device) were it to open the file itself.
TEST_P(SpecialPhotoTest, IsRefusedAtOnceAndNothingIsWritten) {
    const SpecialCase& c = GetParam();
    TempFolder folder;
    const std::string photos = folder.File("photos");
    std::filesystem::create_directory(photos);
    std::filesystem::create_directory(folder.File("out"));
    const std::string photo = photos + "/" + c.name;
    MakeSpecial(c.kind, photo);
    const std::string grid = photo_run_test::WriteLineGrid(folder);
    for (const std::string& mode : {"--final " + folder.File("out"), std::string("--plugin")}) {
        SCOPED_TRACE(mode);
        // A hang is ended by the timeout, whose kill makes the status differ.
        const photo_run_test::ToolRun run =
            photo_run_test::RunTool(folder, photo + " --grid " + grid + " " + mode, "timeout -s KILL 5");
        EXPECT_EQ(run.status, 3) << run.errors;
        EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
        EXPECT_EQ(FolderEntries(photos), std::vector<std::string>{c.name});
        EXPECT_EQ(FolderEntries(folder.File("out")), std::vector<std::string>{});
        EXPECT_EQ(FolderEntries(folder.Path()), (std::vector<std::string>{"line.txt", "out", "photos", "stderr.txt"}));
    }
}

constexpr const char* kDngMessage = "message: Clarivane error: Whoa... that's a bug...\\n\\nFailed to process the preview of this DNG...";
constexpr const char* kJpegMessage = "message: Clarivane error: Whoa... that's a bug...\\n\\nFailed to process the preview of this JPG...";

INSTANTIATE_TEST_SUITE_P(
    Kinds, SpecialPhotoTest,
    testing::Values(SpecialCase{"FifoDng", Special::Fifo, "x.dng", kDngMessage},
                    SpecialCase{"FifoJpeg", Special::Fifo, "x.jpg", kJpegMessage},
                    SpecialCase{"FolderDng", Special::Folder, "x.dng", kDngMessage},
                    SpecialCase{"DeviceDng", Special::Device, "x.dng", kDngMessage},
                    SpecialCase{"DeviceJpeg", Special::Device, "x.jpeg", kJpegMessage},
                    SpecialCase{"SocketDng", Special::Socket, "x.DNG", kDngMessage},
                    SpecialCase{"DanglingLinkDng", Special::DanglingLink, "x.dng", kDngMessage}),
    [](const testing::TestParamInfo<SpecialCase>& info) { return info.param.label; });

// Two plug-in saves of one photo, held together until both results are complete, then let go
// at once: each claims a name of its own and hands back its own path.
TEST(PhotoRunPluginTest, TwoSavesAtOnceGiveTwoFilesAndTwoHandBackPaths) {
    constexpr int kRounds = 4;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        TempFolder folder;
        const std::string photos = folder.File("photos");
        std::filesystem::create_directory(photos);
        std::filesystem::copy_file(test_support::TestData("jpeg/greyscale_exif_xmp_icc.jpg"), photos + "/p.jpg");
        const std::string grid = photo_run_test::WriteLineGrid(folder);
        std::string script;
        for (const char* run : {"1", "2"}) {
            const std::string tmp = folder.File(std::string("tmp") + run);
            std::filesystem::create_directory(tmp);
            script += "(TMPDIR='" + tmp + "' PHOTO_RUN_HOLD='" + folder.File("hold") + "' timeout -s KILL 120 " +
                      PHOTO_RUN_PATH + " '" + photos + "/p.jpg' --plugin --grid '" + grid + "' 2>'" + tmp +
                      "/stderr.txt'; echo $? >'" + tmp + "/status') & ";
        }
        // Both wait complete and unnamed; then both go.
        script += "n=0; while [ $(ls '" + folder.Path() + "' | grep -c '^hold\\.') -lt 2 ] && [ $n -lt 6000 ]; do " +
                  "sleep 0.01; n=$((n+1)); done; touch '" + folder.File("hold.go") + "'; wait";
        test_support::RunCommand(script);

        std::set<std::string> handedBack;
        for (const char* run : {"1", "2"}) {
            const std::string tmp = folder.File(std::string("tmp") + run);
            const std::vector<uint8_t> status = test_support::ReadFileBytes(tmp + "/status");
            const std::vector<uint8_t> errors = test_support::ReadFileBytes(tmp + "/stderr.txt");
            EXPECT_EQ(std::string(status.begin(), status.end()), "0\n") << std::string(errors.begin(), errors.end());
            const std::vector<uint8_t> path = test_support::ReadFileBytes(tmp + "/__exportfromclarivane.txt");
            handedBack.emplace(path.begin(), path.end());
        }
        EXPECT_EQ(handedBack, (std::set<std::string>{photos + "/p-DB.jpg", photos + "/p-DB-2.jpg"}));
        EXPECT_EQ(FolderEntries(photos), (std::vector<std::string>{"p-DB-2.jpg", "p-DB.jpg", "p.jpg"}));
    }
}

}  // namespace
