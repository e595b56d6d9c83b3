#include <gtest/gtest.h>

#include "dng/dng_exceptions.h"
#include "dng/dng_host.h"
#include "dng/dng_stream.h"
#include "tests/support/test_files.h"

namespace {

template <class F>
int ErrorOf(F f) {
    try {
        f();
    } catch (const dng_exception& e) {
        return e.ErrorCode();
    }
    return 0;
}

// Big-endian numbers across the file stream's 16-byte buffer; every read past the end throws.
TEST(Stream, ReadsNumbersAndThrowsPastTheEnd) {
    const test_support::TempFolder temp;
    {
        dng_file_stream out(temp.File("stream.bin"), true);
        out.SetBigEndian(true);
        for (uint32 i = 0; i < 3000; ++i) out.Put_uint32(i * 2654435761u);
    }
    dng_file_stream in(temp.File("stream.bin"), false, 16);
    in.SetBigEndian(true);
    for (uint32 i : {0u, 3u, 4u, 1023u, 1024u, 2999u}) {
        in.SetReadPosition(uint64(i) * 4);
        EXPECT_EQ(in.Get_uint32(), i * 2654435761u) << i;
    }
    std::vector<uint8> block(40);
    in.SetReadPosition(2);
    in.Get(block.data(), block.size());
    EXPECT_EQ(block[2], 0x9E);  // first byte of the second value, 2654435761 = 0x9E3779B1
    EXPECT_EQ(ErrorOf([&] { in.Put_uint8(2); }), dng_error_write_file);
    EXPECT_EQ(ErrorOf([] { dng_file_stream("/nonexistent/folder/file.dng"); }), dng_error_open_file);

    dng_memory_stream memory(std::vector<uint8>{1, 2, 3});
    memory.SetReadPosition(1);
    EXPECT_EQ(memory.Get_uint16(), 0x0302);
    for (dng_stream* stream : {static_cast<dng_stream*>(&in), static_cast<dng_stream*>(&memory)}) {
        stream->SetReadPosition(stream->Length() - 1);
        EXPECT_EQ(ErrorOf([&] { stream->Get_uint32(); }), dng_error_end_of_file);
        stream->SetReadPosition(0);
        EXPECT_EQ(ErrorOf([&] { stream->Get(block.data(), ~uint64(0)); }), dng_error_end_of_file);
    }
}

TEST(Host, ValidateSizes) {
    // Minimum, preferred, maximum before and after, by the SDK's rules; all 0 is the program's full size.
    const std::vector<uint32> cases[][2] = {{{0, 0, 0}, {0, 0, 0}},           {{0, 0, 1024}, {980, 1024, 1024}},
                                            {{0, 256, 0}, {160, 256, 0}},     {{0, 300, 0}, {300, 300, 0}},
                                            {{0, 2048, 1500}, {1470, 1500, 1500}}, {{900, 500, 0}, {500, 500, 0}}};
    for (const auto& [in, out] : cases) {
        dng_host host;
        host.SetMinimumSize(in[0]);
        host.SetPreferredSize(in[1]);
        host.SetMaximumSize(in[2]);
        host.ValidateSizes();
        EXPECT_EQ((std::vector<uint32>{host.MinimumSize(), host.PreferredSize(), host.MaximumSize()}), out) << in[1];
    }
}

}  // namespace
