#pragma once
#include <initializer_list>
#include <string>
#include <vector>

#include "dng/dng_rational.h"
#include "dng/dng_stream.h"

// One directory entry as found in the file; `offset` is where its value starts.
struct dng_tag {
    uint16 code = 0;
    uint16 type = 0;
    uint32 count = 0;
    uint64 offset = 0;
};

// Bytes of one value of a TIFF field type; 0 for an unknown type.
uint32 TagTypeSize(uint16 type);

bool TagTypeIs(const dng_tag& tag, std::initializer_list<uint16> types);
// Integer-valued (unsigned or signed) field types.
bool TagTypeIsInteger(const dng_tag& tag);
// Any numeric field type.
bool TagTypeIsNumeric(const dng_tag& tag);

// Readers of one value at the stream position, converting from the tag's type.
uint32 TagValue_uint32(dng_stream& stream, uint16 type);
int32 TagValue_int32(dng_stream& stream, uint16 type);
real64 TagValue_real64(dng_stream& stream, uint16 type);
dng_urational TagValue_urational(dng_stream& stream, uint16 type);
dng_srational TagValue_srational(dng_stream& stream, uint16 type);

// Text of an ASCII or BYTE tag, up to its first zero byte, trailing blanks kept.
std::string TagValue_string(dng_stream& stream, const dng_tag& tag);
// Raw bytes of a tag's value, as stored.
std::vector<uint8> TagValue_bytes(dng_stream& stream, const dng_tag& tag);
