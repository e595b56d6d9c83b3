#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "dng/dng_exceptions.h"
#include "dng/dng_types.h"

// Seekable byte stream with a read buffer and a selectable byte order.
// Every read past the end throws the end-of-file error.
class dng_stream {
public:
    explicit dng_stream(uint32 bufferSize = kDefaultBufferSize);
    virtual ~dng_stream() = default;
    dng_stream(const dng_stream&) = delete;
    dng_stream& operator=(const dng_stream&) = delete;

    static constexpr uint32 kDefaultBufferSize = 4096;

    uint64 Length();
    uint64 Position() const { return fPosition; }
    void SetReadPosition(uint64 offset) { fPosition = offset; }
    void SetWritePosition(uint64 offset) { fPosition = offset; }

    bool BigEndian() const { return fBigEndian; }
    void SetBigEndian(bool big = true) { fBigEndian = big; }
    void SetLittleEndian(bool little = true) { fBigEndian = !little; }
    // True when numbers in the stream need their bytes swapped on this machine.
    bool SwapBytes() const;

    void Get(void* data, uint64 count);
    uint8 Get_uint8();
    uint16 Get_uint16();
    uint32 Get_uint32();
    uint64 Get_uint64();
    int8 Get_int8() { return static_cast<int8>(Get_uint8()); }
    int16 Get_int16() { return static_cast<int16>(Get_uint16()); }
    int32 Get_int32() { return static_cast<int32>(Get_uint32()); }
    real32 Get_real32();
    real64 Get_real64();

    void Put(const void* data, uint64 count);
    void Put_uint8(uint8 x) { Put(&x, 1); }
    void Put_uint16(uint16 x);
    void Put_uint32(uint32 x);
    void Put_uint64(uint64 x);
    void Put_real32(real32 x);
    void Put_real64(real64 x);
    void Flush() { DoFlush(); }

protected:
    virtual uint64 DoGetLength() = 0;
    // Reads exactly `count` bytes at `offset`; the caller has checked the length.
    virtual void DoRead(void* data, uint64 count, uint64 offset) = 0;
    virtual void DoWrite(const void* data, uint64 count, uint64 offset);
    virtual void DoFlush() {}
    // A write changes the stream's length; the cached length and read buffer are stale.
    void InvalidateCache();

private:
    bool fBigEndian = false;
    uint64 fPosition = 0;
    bool fLengthKnown = false;
    uint64 fLength = 0;
    std::vector<uint8> fBuffer;
    uint64 fBufferStart = 0;
    uint64 fBufferEnd = 0;
};

// Stream over bytes held in memory; writing grows it.
class dng_memory_stream : public dng_stream {
public:
    dng_memory_stream() = default;
    explicit dng_memory_stream(std::vector<uint8> data) : fData(std::move(data)) {}
    dng_memory_stream(const uint8* data, uint64 size) : fData(data, data + size) {}
    const std::vector<uint8>& Data() const { return fData; }

protected:
    uint64 DoGetLength() override { return fData.size(); }
    void DoRead(void* data, uint64 count, uint64 offset) override;
    void DoWrite(const void* data, uint64 count, uint64 offset) override;

private:
    std::vector<uint8> fData;
};

// Stream over a file: one read from a path, or one written through a descriptor.
class dng_file_stream : public dng_stream {
public:
    // Reads the regular file at `path`, opened without waiting; anything else is an open error.
    explicit dng_file_stream(const std::string& path, uint32 bufferSize = kDefaultBufferSize);
    // Writes to the open descriptor `fd`, which the stream takes over and closes; its errors
    // name the file `name`.
    dng_file_stream(int fd, std::string name, uint32 bufferSize = kDefaultBufferSize);
    ~dng_file_stream() override;

protected:
    uint64 DoGetLength() override;
    void DoRead(void* data, uint64 count, uint64 offset) override;
    void DoWrite(const void* data, uint64 count, uint64 offset) override;
    void DoFlush() override;

private:
    // The system's refusal of the last operation on the file, told with the file's name.
    [[noreturn]] void ThrowSystemError(dng_error_code code) const;

    std::FILE* fFile = nullptr;
    bool fOutput = false;
    std::string fName;
};
