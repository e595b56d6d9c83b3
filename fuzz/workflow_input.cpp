#include "fuzz/workflow_input.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include <sys/mman.h>
#include <unistd.h>

namespace fuzz {
namespace {

bool WriteAll(int fd, const uint8_t* data, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

pipeline::HeadlessWindow& Window() {
    static const bool quiet = (std::cerr.rdbuf(nullptr), true);
    static pipeline::HeadlessWindow window;
    static_cast<void>(quiet);
    window.messages.clear();
    return window;
}

const std::string& WriteInputFile(const uint8_t* data, std::size_t size, const char* suffix) {
    static const int fd = memfd_create((std::string("clarivane-fuzz") + suffix).c_str(), MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ftruncate(fd, 0) != 0 || !WriteAll(fd, data, size)) {
        std::fputs("cannot write the fuzz input to memory\n", stderr);  // std::cerr is silenced
        std::abort();
    }
    return path;
}

}  // namespace fuzz
