#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "dng/dng_publish_file.h"
#include "tests/support/test_files.h"

namespace {

using Bytes = std::vector<uint8_t>;

enum class Moment { Created, MidWrite, Written };
enum class Temporary { Unnamed, Named };
enum class Naming { Replacing, Claiming };

struct KillCase {
    const char* label;
    Temporary temporary;
    Moment moment;
    int signal;
    Naming naming;
};

// The child's side: where it stops, and the pipe through which it says it got there.
Moment gHoldAt;
int gHeldPipe = -1;

void HoldHere() {
    const char held = 1;
    if (::write(gHeldPipe, &held, 1) != 1) ::_exit(5);
    for (;;) ::pause();
}

void HoldAtStage(PublishStage stage, int) {
    if ((stage == PublishStage::TemporaryCreated && gHoldAt == Moment::Created) ||
        (stage == PublishStage::Written && gHoldAt == Moment::Written))
        HoldHere();
}

// A write far longer than the stream's buffer, so part of it is in the file when held.
void WriteLong(dng_stream& stream) {
    const std::vector<uint8> block(1 << 16, 0x5A);
    for (int i = 0; i < 64; ++i) {
        stream.Put(block.data(), block.size());
        if (i == 32 && gHoldAt == Moment::MidWrite) {
            stream.Flush();
            HoldHere();
        }
    }
}

class KillDuringWriteTest : public testing::TestWithParam<KillCase> {};

// Killed at any moment, the folder holds what it held before: the earlier result, unchanged,
// and no temporary file.
TEST_P(KillDuringWriteTest, LeavesTheFolderAsItWas) {
    const KillCase& c = GetParam();
    test_support::TempFolder folder;
    const std::string target = folder.File("photo-DB.dng");
    const Bytes earlier{'e', 'a', 'r', 'l', 'i', 'e', 'r'};
    test_support::WriteFileBytes(target, earlier);

    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipe[0]);
        gHeldPipe = pipe[1];
        gHoldAt = c.moment;
        gPublishStageHook = HoldAtStage;
        gPublishNamedTemporaryOnly = c.temporary == Temporary::Named;
        try {
            if (c.naming == Naming::Replacing) {
                WriteFileReplacing(target, WriteLong);
            } else {
                WriteFileClaiming([&] { return target; }, WriteLong);
            }
        } catch (...) {
            ::_exit(4);
        }
        ::_exit(3);  // never held
    }
    ::close(pipe[1]);
    pollfd held{pipe[0], POLLIN, 0};
    char byte = 0;
    const bool reached = ::poll(&held, 1, 20000) == 1 && ::read(pipe[0], &byte, 1) == 1;
    ::close(pipe[0]);
    if (reached) {
        // The named temporary file is really there while the write is held; the unnamed one is not.
        EXPECT_EQ(test_support::FolderEntries(folder.Path()).size(), c.temporary == Temporary::Named ? 2u : 1u);
    }
    ::kill(child, c.signal);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(reached) << "the child ended with status " << status << " before it was held";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << status;

    EXPECT_EQ(test_support::FolderEntries(folder.Path()), std::vector<std::string>{"photo-DB.dng"});
    EXPECT_EQ(test_support::ReadFileBytes(target), earlier);
}

INSTANTIATE_TEST_SUITE_P(
    Moments, KillDuringWriteTest,
    testing::Values(
        KillCase{"NamedCreatedTerm", Temporary::Named, Moment::Created, SIGTERM, Naming::Replacing},
        KillCase{"NamedMidWriteTerm", Temporary::Named, Moment::MidWrite, SIGTERM, Naming::Replacing},
        KillCase{"NamedWrittenTerm", Temporary::Named, Moment::Written, SIGTERM, Naming::Replacing},
        KillCase{"NamedMidWriteInt", Temporary::Named, Moment::MidWrite, SIGINT, Naming::Claiming},
        KillCase{"NamedWrittenHup", Temporary::Named, Moment::Written, SIGHUP, Naming::Claiming},
        KillCase{"UnnamedMidWriteTerm", Temporary::Unnamed, Moment::MidWrite, SIGTERM, Naming::Replacing},
        KillCase{"UnnamedCreatedKill", Temporary::Unnamed, Moment::Created, SIGKILL, Naming::Replacing},
        KillCase{"UnnamedMidWriteKill", Temporary::Unnamed, Moment::MidWrite, SIGKILL, Naming::Claiming},
        KillCase{"UnnamedWrittenKill", Temporary::Unnamed, Moment::Written, SIGKILL, Naming::Replacing},
        KillCase{"UnnamedWrittenKillClaiming", Temporary::Unnamed, Moment::Written, SIGKILL, Naming::Claiming}),
    [](const testing::TestParamInfo<KillCase>& info) { return info.param.label; });

}  // namespace
