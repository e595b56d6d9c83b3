#pragma once
#include <cstdint>
#include <istream>
#include <streambuf>
#include <vector>

namespace pipeline {

// A read-only, seekable stream over bytes that stay owned by someone else,
// so a whole JPEG can be read as a stream without copying it. The bytes must
// outlive the stream and stay unchanged.
class ByteViewStream : public std::istream {
public:
    explicit ByteViewStream(const std::vector<uint8_t>& bytes) : std::istream(nullptr), buffer_(bytes) {
        rdbuf(&buffer_);
    }

private:
    class Buffer : public std::streambuf {
    public:
        explicit Buffer(const std::vector<uint8_t>& bytes) {
            // The get area is only ever read; std::streambuf just has no const form of it.
            char* begin = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
            setg(begin, begin, begin + bytes.size());
        }

    protected:
        pos_type seekoff(off_type offset, std::ios_base::seekdir from, std::ios_base::openmode which) override {
            if (!(which & std::ios_base::in)) return pos_type(off_type(-1));
            const off_type base = from == std::ios_base::beg   ? 0
                                  : from == std::ios_base::cur ? off_type(gptr() - eback())
                                                               : off_type(egptr() - eback());
            const off_type target = base + offset;
            if (target < 0 || target > off_type(egptr() - eback())) return pos_type(off_type(-1));
            setg(eback(), eback() + target, egptr());
            return pos_type(target);
        }
        pos_type seekpos(pos_type position, std::ios_base::openmode which) override {
            return seekoff(off_type(position), std::ios_base::beg, which);
        }
    };

    Buffer buffer_;
};

}  // namespace pipeline
