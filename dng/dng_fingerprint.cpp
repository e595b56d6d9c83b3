#include "dng/dng_fingerprint.h"

#include <nettle/md5.h>

#include <cstring>

struct dng_md5_printer::State {
    md5_ctx ctx;
};

bool dng_fingerprint::IsNull() const {
    for (uint8 b : data)
        if (b) return false;
    return true;
}

bool dng_fingerprint::operator==(const dng_fingerprint& o) const { return std::memcmp(data, o.data, 16) == 0; }

std::string dng_fingerprint::ToHex() const {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (uint8 b : data) {
        text.push_back(digits[b >> 4]);
        text.push_back(digits[b & 15]);
    }
    return text;
}

dng_md5_printer::dng_md5_printer() : fState(new State) { md5_init(&fState->ctx); }

dng_md5_printer::~dng_md5_printer() { delete fState; }

void dng_md5_printer::Process(const void* data, size_t size) {
    md5_update(&fState->ctx, size, static_cast<const uint8_t*>(data));
}

dng_fingerprint dng_md5_printer::Result() {
    dng_fingerprint digest;
    md5_digest(&fState->ctx, MD5_DIGEST_SIZE, digest.data);
    return digest;
}
