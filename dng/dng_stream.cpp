#include "dng/dng_stream.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "dng/dng_exceptions.h"
#include "platform/regular_file.h"

namespace {

bool HostIsBigEndian() {
    const uint16 probe = 1;
    uint8 first;
    std::memcpy(&first, &probe, 1);
    return first == 0;
}

template <class T>
T Swapped(T x) {
    uint8 bytes[sizeof(T)];
    std::memcpy(bytes, &x, sizeof(T));
    for (size_t i = 0; i < sizeof(T) / 2; ++i) std::swap(bytes[i], bytes[sizeof(T) - 1 - i]);
    std::memcpy(&x, bytes, sizeof(T));
    return x;
}

}  // namespace

dng_stream::dng_stream(uint32 bufferSize) : fBuffer(bufferSize == 0 ? 1 : bufferSize) {}

bool dng_stream::SwapBytes() const { return fBigEndian != HostIsBigEndian(); }

uint64 dng_stream::Length() {
    if (!fLengthKnown) {
        fLength = DoGetLength();
        fLengthKnown = true;
    }
    return fLength;
}

void dng_stream::InvalidateCache() {
    fLengthKnown = false;
    fBufferStart = fBufferEnd = 0;
}

void dng_stream::Get(void* data, uint64 count) {
    if (count == 0) return;
    const uint64 length = Length();
    if (fPosition > length || count > length - fPosition) ThrowEndOfFile();
    uint8* out = static_cast<uint8*>(data);
    if (fPosition >= fBufferStart && fPosition + count <= fBufferEnd) {
        std::memcpy(out, fBuffer.data() + (fPosition - fBufferStart), count);
    } else if (count >= fBuffer.size()) {
        DoRead(out, count, fPosition);
    } else {
        const uint64 fill = std::min<uint64>(fBuffer.size(), length - fPosition);
        DoRead(fBuffer.data(), fill, fPosition);
        fBufferStart = fPosition;
        fBufferEnd = fPosition + fill;
        std::memcpy(out, fBuffer.data(), count);
    }
    fPosition += count;
}

uint8 dng_stream::Get_uint8() {
    uint8 x;
    Get(&x, 1);
    return x;
}

uint16 dng_stream::Get_uint16() {
    uint16 x;
    Get(&x, 2);
    return SwapBytes() ? Swapped(x) : x;
}

uint32 dng_stream::Get_uint32() {
    uint32 x;
    Get(&x, 4);
    return SwapBytes() ? Swapped(x) : x;
}

uint64 dng_stream::Get_uint64() {
    uint64 x;
    Get(&x, 8);
    return SwapBytes() ? Swapped(x) : x;
}

real32 dng_stream::Get_real32() {
    const uint32 bits = Get_uint32();
    real32 x;
    std::memcpy(&x, &bits, 4);
    return x;
}

real64 dng_stream::Get_real64() {
    const uint64 bits = Get_uint64();
    real64 x;
    std::memcpy(&x, &bits, 8);
    return x;
}

void dng_stream::Put(const void* data, uint64 count) {
    if (count == 0) return;
    DoWrite(data, count, fPosition);
    fPosition += count;
    InvalidateCache();
}

void dng_stream::Put_uint16(uint16 x) {
    if (SwapBytes()) x = Swapped(x);
    Put(&x, 2);
}

void dng_stream::Put_uint32(uint32 x) {
    if (SwapBytes()) x = Swapped(x);
    Put(&x, 4);
}

void dng_stream::Put_uint64(uint64 x) {
    if (SwapBytes()) x = Swapped(x);
    Put(&x, 8);
}

void dng_stream::Put_real32(real32 x) {
    uint32 bits;
    std::memcpy(&bits, &x, 4);
    Put_uint32(bits);
}

void dng_stream::Put_real64(real64 x) {
    uint64 bits;
    std::memcpy(&bits, &x, 8);
    Put_uint64(bits);
}

void dng_stream::DoWrite(const void*, uint64, uint64) { ThrowWriteFile("Stream is read-only"); }

void dng_memory_stream::DoRead(void* data, uint64 count, uint64 offset) {
    std::memcpy(data, fData.data() + offset, count);
}

void dng_memory_stream::DoWrite(const void* data, uint64 count, uint64 offset) {
    if (offset + count > fData.size()) fData.resize(offset + count);
    std::memcpy(fData.data() + offset, data, count);
}

dng_file_stream::dng_file_stream(const std::string& path, uint32 bufferSize)
    : dng_stream(bufferSize), fName(path) {
    const int fd = platform::OpenRegularFileForReading(path);
    if (fd < 0) throw dng_file_error(dng_error_open_file, path, platform::OpenFailureReason(errno));
    if (!(fFile = ::fdopen(fd, "rb"))) {
        const int error = errno;
        ::close(fd);
        ThrowFileError(dng_error_open_file, path, error);
    }
}

dng_file_stream::dng_file_stream(int fd, std::string name, uint32 bufferSize)
    : dng_stream(bufferSize), fOutput(true), fName(std::move(name)) {
    fFile = ::fdopen(fd, "wb");
    if (!fFile) {
        const int error = errno;
        ::close(fd);
        ThrowFileError(dng_error_open_file, fName, error);
    }
}

dng_file_stream::~dng_file_stream() {
    if (fFile) std::fclose(fFile);
}

void dng_file_stream::ThrowSystemError(dng_error_code code) const { ThrowFileError(code, fName, errno); }

uint64 dng_file_stream::DoGetLength() {
    if (fOutput && std::fflush(fFile) != 0) ThrowSystemError(dng_error_write_file);
    if (fseeko(fFile, 0, SEEK_END) != 0) ThrowSystemError(dng_error_read_file);
    const off_t end = ftello(fFile);
    if (end < 0) ThrowSystemError(dng_error_read_file);
    return static_cast<uint64>(end);
}

void dng_file_stream::DoRead(void* data, uint64 count, uint64 offset) {
    if (fseeko(fFile, static_cast<off_t>(offset), SEEK_SET) != 0) ThrowSystemError(dng_error_read_file);
    if (std::fread(data, 1, count, fFile) == count) return;
    // Short of an error the file has become shorter since its length was taken.
    if (std::ferror(fFile)) ThrowSystemError(dng_error_read_file);
    ThrowReadFile();
}

void dng_file_stream::DoWrite(const void* data, uint64 count, uint64 offset) {
    if (!fOutput) ThrowWriteFile("File opened for reading");
    if (fseeko(fFile, static_cast<off_t>(offset), SEEK_SET) != 0) ThrowSystemError(dng_error_write_file);
    if (std::fwrite(data, 1, count, fFile) != count) ThrowSystemError(dng_error_write_file);
}

void dng_file_stream::DoFlush() {
    if (fOutput && std::fflush(fFile) != 0) ThrowSystemError(dng_error_write_file);
}
