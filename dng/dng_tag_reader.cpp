#include "dng/dng_tag_reader.h"

#include <cmath>
#include <limits>

#include "dng/dng_tag_codes.h"

uint32 TagTypeSize(uint16 type) {
    switch (type) {
        case ttByte: case ttAscii: case ttSByte: case ttUndefined: return 1;
        case ttShort: case ttSShort: return 2;
        case ttLong: case ttSLong: case ttFloat: case ttIFD: return 4;
        case ttRational: case ttSRational: case ttDouble: return 8;
        default: return 0;
    }
}

bool TagTypeIs(const dng_tag& tag, std::initializer_list<uint16> types) {
    for (uint16 t : types)
        if (tag.type == t) return true;
    return false;
}

bool TagTypeIsInteger(const dng_tag& tag) {
    return TagTypeIs(tag, {ttByte, ttShort, ttLong, ttSByte, ttSShort, ttSLong, ttIFD, ttUndefined});
}

bool TagTypeIsNumeric(const dng_tag& tag) {
    return TagTypeIsInteger(tag) || TagTypeIs(tag, {ttRational, ttSRational, ttFloat, ttDouble});
}

uint32 TagValue_uint32(dng_stream& stream, uint16 type) {
    const real64 x = TagValue_real64(stream, type);
    if (!(x >= 0.0)) return 0;
    if (x >= 4294967295.0) return std::numeric_limits<uint32>::max();
    return static_cast<uint32>(x + 0.5);
}

int32 TagValue_int32(dng_stream& stream, uint16 type) {
    const real64 x = TagValue_real64(stream, type);
    if (std::isnan(x)) return 0;
    if (x >= 2147483647.0) return std::numeric_limits<int32>::max();
    if (x <= -2147483648.0) return std::numeric_limits<int32>::min();
    return static_cast<int32>(std::lround(x));
}

real64 TagValue_real64(dng_stream& stream, uint16 type) {
    switch (type) {
        case ttByte: case ttUndefined: case ttAscii: return stream.Get_uint8();
        case ttSByte: return stream.Get_int8();
        case ttShort: return stream.Get_uint16();
        case ttSShort: return stream.Get_int16();
        case ttLong: case ttIFD: return stream.Get_uint32();
        case ttSLong: return stream.Get_int32();
        case ttRational: {
            const uint32 n = stream.Get_uint32();
            const uint32 d = stream.Get_uint32();
            return d ? static_cast<real64>(n) / d : 0.0;
        }
        case ttSRational: {
            const int32 n = stream.Get_int32();
            const int32 d = stream.Get_int32();
            return d ? static_cast<real64>(n) / d : 0.0;
        }
        case ttFloat: return stream.Get_real32();
        case ttDouble: return stream.Get_real64();
        default: return 0.0;
    }
}

dng_urational TagValue_urational(dng_stream& stream, uint16 type) {
    if (type == ttRational) {
        const uint32 n = stream.Get_uint32();
        return dng_urational(n, stream.Get_uint32());
    }
    if (type == ttSRational) {
        const int32 n = stream.Get_int32();
        const int32 d = stream.Get_int32();
        if (n < 0 || d <= 0) return dng_urational(0, d < 0 ? 0u : 1u);
        return dng_urational(static_cast<uint32>(n), static_cast<uint32>(d));
    }
    if (type == ttFloat || type == ttDouble) {
        const real64 x = TagValue_real64(stream, type);
        if (!(x >= 0.0) || x > 65535.0) return dng_urational();
        return dng_urational(static_cast<uint32>(std::lround(x * 65536.0)), 65536);
    }
    return dng_urational(TagValue_uint32(stream, type), 1);
}

dng_srational TagValue_srational(dng_stream& stream, uint16 type) {
    if (type == ttSRational) {
        const int32 n = stream.Get_int32();
        return dng_srational(n, stream.Get_int32());
    }
    if (type == ttRational) {
        const uint32 n = stream.Get_uint32();
        const uint32 d = stream.Get_uint32();
        if (n > 0x7FFFFFFFu || d > 0x7FFFFFFFu) {
            return dng_srational(static_cast<int32>(n >> 1), static_cast<int32>(d >> 1));
        }
        return dng_srational(static_cast<int32>(n), static_cast<int32>(d));
    }
    if (type == ttFloat || type == ttDouble) {
        const real64 x = TagValue_real64(stream, type);
        if (!(std::fabs(x) <= 32767.0)) return dng_srational();
        return dng_srational(static_cast<int32>(std::lround(x * 65536.0)), 65536);
    }
    return dng_srational(TagValue_int32(stream, type), 1);
}

std::string TagValue_string(dng_stream& stream, const dng_tag& tag) {
    if (TagTypeSize(tag.type) != 1) return std::string();
    std::vector<uint8> bytes = TagValue_bytes(stream, tag);
    std::string text;
    for (uint8 c : bytes) {
        if (c == 0) break;
        text.push_back(static_cast<char>(c));
    }
    return text;
}

std::vector<uint8> TagValue_bytes(dng_stream& stream, const dng_tag& tag) {
    const uint64 size = static_cast<uint64>(tag.count) * TagTypeSize(tag.type);
    std::vector<uint8> bytes(size);
    stream.SetReadPosition(tag.offset);
    stream.Get(bytes.data(), size);
    return bytes;
}
