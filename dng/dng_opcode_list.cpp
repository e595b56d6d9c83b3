#include "dng/dng_opcode_list.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dng/dng_exceptions.h"

namespace {

uint32 BigEndian32(const uint8* p) { return uint32(p[0]) << 24 | uint32(p[1]) << 16 | uint32(p[2]) << 8 | p[3]; }

real64 BigEndianReal64(const uint8* p) {
    uint64 bits = 0;
    for (int i = 0; i < 8; ++i) bits = (bits << 8) | p[i];
    real64 x;
    std::memcpy(&x, &bits, 8);
    return x;
}

void PutBigEndian32(std::vector<uint8>& out, uint32 x) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8>(x >> shift));
}

}  // namespace

dng_opcode::dng_opcode(uint32 id, uint32 minVersion, uint32 flags, std::vector<uint8> parameters)
    : fOpcodeID(id), fMinVersion(minVersion), fFlags(flags), fParameters(std::move(parameters)) {}

dng_opcode_WarpRectilinear::dng_opcode_WarpRectilinear(uint32 minVersion, uint32 flags, std::vector<uint8> parameters)
    : dng_opcode(dngOpcode_WarpRectilinear, minVersion, flags, std::move(parameters)) {
    const std::vector<uint8>& p = Parameters();
    if (p.size() < 4) ThrowBadFormat("WarpRectilinear: parameters too short");
    const uint32 planes = BigEndian32(p.data());
    if (planes < 1 || planes > 4 || p.size() != 4 + 48 * size_t(planes) + 16)
        ThrowBadFormat("WarpRectilinear: bad plane count or parameter size");
    const uint8* q = p.data() + 4;
    for (uint32 i = 0; i < planes; ++i) {
        Plane plane;
        for (real64& k : plane.kr) k = BigEndianReal64(q), q += 8;
        for (real64& k : plane.kt) k = BigEndianReal64(q), q += 8;
        fPlanes.push_back(plane);
    }
    fCenterH = BigEndianReal64(q);
    fCenterV = BigEndianReal64(q + 8);
    // Lenses need coefficients near 1 and below; huge ones overflow the polynomial to inf and NaN.
    constexpr real64 kMaxCoefficient = 1000.0;
    for (const Plane& plane : fPlanes)
        for (real64 k : {plane.kr[0], plane.kr[1], plane.kr[2], plane.kr[3], plane.kt[0], plane.kt[1]})
            if (!(std::fabs(k) <= kMaxCoefficient)) ThrowBadFormat("WarpRectilinear: coefficient not finite or too large");
    if (!(fCenterH >= 0.0 && fCenterH <= 1.0 && fCenterV >= 0.0 && fCenterV <= 1.0))
        ThrowBadFormat("WarpRectilinear: optical centre outside the image");
}

void dng_opcode_list::Parse(dng_stream& stream, uint32 byteCount) {
    fList.clear();
    const bool savedOrder = stream.BigEndian();
    stream.SetBigEndian(true);
    try {
        if (byteCount < 4) ThrowBadFormat("Opcode list too short");
        const uint32 count = stream.Get_uint32();
        uint64 used = 4;
        if (count > kMaxOpcodes) ThrowBadFormat("Opcode list has too many opcodes");
        for (uint32 i = 0; i < count; ++i) {
            if (used + 16 > byteCount) ThrowBadFormat("Opcode list ends inside an opcode header");
            const uint32 id = stream.Get_uint32();
            const uint32 version = stream.Get_uint32();
            const uint32 flags = stream.Get_uint32();
            const uint32 size = stream.Get_uint32();
            used += 16;
            if (size > byteCount - used) ThrowBadFormat("Opcode parameters run past the opcode list");
            std::vector<uint8> parameters(size);
            stream.Get(parameters.data(), size);
            used += size;
            if (id == dngOpcode_WarpRectilinear)
                fList.push_back(std::make_unique<dng_opcode_WarpRectilinear>(version, flags, std::move(parameters)));
            else
                fList.push_back(std::make_unique<dng_opcode>(id, version, flags, std::move(parameters)));
        }
        if (used != byteCount) ThrowBadFormat("Opcode list does not end at the end of its tag");
    } catch (...) {
        stream.SetBigEndian(savedOrder);
        fList.clear();
        throw;
    }
    stream.SetBigEndian(savedOrder);
}

std::vector<uint8> dng_opcode_list::Spool() const {
    std::vector<uint8> out;
    if (fList.empty()) return out;
    PutBigEndian32(out, Count());
    for (const auto& op : fList) {
        PutBigEndian32(out, op->OpcodeID());
        PutBigEndian32(out, op->MinVersion());
        PutBigEndian32(out, op->Flags());
        PutBigEndian32(out, static_cast<uint32>(op->Parameters().size()));
        out.insert(out.end(), op->Parameters().begin(), op->Parameters().end());
    }
    return out;
}

uint32 dng_opcode_list::MinVersion(bool includeOptional) const {
    uint32 version = 0;
    for (const auto& op : fList)
        if (includeOptional || !op->Optional()) version = std::max(version, op->MinVersion());
    return version;
}
