#pragma once
#include <string>

#include "dng/dng_types.h"

// A 16-byte digest.
struct dng_fingerprint {
    uint8 data[16] = {};
    bool IsNull() const;
    bool operator==(const dng_fingerprint& o) const;
    bool operator!=(const dng_fingerprint& o) const { return !(*this == o); }
    // Lower-case hexadecimal text.
    std::string ToHex() const;
};

// Incremental MD5 (RFC 1321).
class dng_md5_printer {
public:
    dng_md5_printer();
    ~dng_md5_printer();
    dng_md5_printer(const dng_md5_printer&) = delete;
    dng_md5_printer& operator=(const dng_md5_printer&) = delete;

    void Process(const void* data, size_t size);
    // Digest of everything processed so far; the printer starts over afterwards.
    dng_fingerprint Result();

private:
    struct State;
    State* fState;
};
