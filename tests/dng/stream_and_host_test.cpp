#include <gtest/gtest.h>

#include <functional>

#include "dng/dng_exceptions.h"
#include "dng/dng_host.h"
#include "dng/dng_stream.h"
#include "tests/support/test_files.h"

namespace {

int ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const dng_exception& e) {
        return e.ErrorCode();
    }
    return 0;
}

// Both streams, big-endian numbers across the file stream's 16-byte buffer; every read past the end throws.
TEST(Stream, ReadsNumbersAndThrowsPastTheEnd) {
    const test_support::TempFolder temp;
    const std::string path = temp.File("stream.bin");
    {
        dng_file_stream out(path, true);
        out.SetBigEndian(true);
        for (uint32 i = 0; i < 3000; ++i) out.Put_uint32(i * 2654435761u);
    }
    dng_file_stream in(path, false, 16);
    in.SetBigEndian(true);
    EXPECT_EQ(in.Length(), 3000u * 4);
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
    // Minimum, preferred, maximum before and after; all 0 is the program's full size everywhere.
    const uint32 cases[][6] = {{0, 0, 0, 0, 0, 0},       {0, 0, 1024, 980, 1024, 1024}, {0, 256, 0, 160, 256, 0},
                               {0, 300, 0, 300, 300, 0}, {0, 2048, 1500, 1470, 1500, 1500},
                               {900, 500, 0, 500, 500, 0}};
    for (const auto& c : cases) {
        dng_host host;
        host.SetMinimumSize(c[0]);
        host.SetPreferredSize(c[1]);
        host.SetMaximumSize(c[2]);
        host.ValidateSizes();
        EXPECT_EQ((std::vector<uint32>{host.MinimumSize(), host.PreferredSize(), host.MaximumSize()}),
                  (std::vector<uint32>{c[3], c[4], c[5]}))
            << c[0] << " " << c[1] << " " << c[2];
    }
}

}  // namespace
