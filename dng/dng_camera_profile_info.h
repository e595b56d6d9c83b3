#pragma once
#include <string>
#include <vector>

#include "dng/dng_camera_profile.h"
#include "dng/dng_matrix.h"
#include "dng/dng_tag_reader.h"

// Colour-profile tags of IFD 0 as the file gives them, before any profile
// object is made from them.
class dng_camera_profile_info {
public:
    bool ParseTag(dng_stream& stream, const dng_tag& tag);
    // Shapes the matrices once the plane count is known; drops parts that do not fit.
    void PostParse();
    // Profile object with the reader's normalisations applied.
    dng_camera_profile MakeProfile() const;

    // Colour planes of the camera: rows of ColorMatrix1, 1 without one.
    uint32 fColorPlanes = 1;
    uint32 fCalibrationIlluminant1 = 0;
    uint32 fCalibrationIlluminant2 = 0;
    dng_matrix fColorMatrix1;
    dng_matrix fColorMatrix2;
    dng_matrix fForwardMatrix1;
    dng_matrix fForwardMatrix2;
    dng_matrix fReductionMatrix1;
    dng_matrix fReductionMatrix2;
    std::string fProfileName;
    std::string fProfileCalibrationSignature;
    uint32 fEmbedPolicy = 0;
    std::string fProfileCopyright;
    uint32 fHueSatMapDims[3] = {0, 0, 0};
    std::vector<real32> fHueSatMapData1;
    std::vector<real32> fHueSatMapData2;
    uint32 fLookTableDims[3] = {0, 0, 0};
    std::vector<real32> fLookTableData;
    std::vector<real32> fToneCurve;

private:
    // Raw entries of the matrix tags; their shape needs the plane count, known only at the end.
    std::vector<real64> fColorMatrixData1, fColorMatrixData2;
    std::vector<real64> fForwardMatrixData1, fForwardMatrixData2;
    std::vector<real64> fReductionMatrixData1, fReductionMatrixData2;
};

// Largest magnitude of a matrix, vector or table entry taken from a file. Cameras use single
// digits; far beyond them the products and inverses of the colour maths overflow.
constexpr real64 kMaxColourEntry = 1e6;

// Reads `count` numbers of any numeric type, refusing absurd counts. A tag holding a value that is
// not finite or beyond kMaxColourEntry is ignored as if missing: the result is empty.
std::vector<real64> ReadNumbers(dng_stream& stream, const dng_tag& tag, uint32 maxCount);
// Matrix of `rows` x (size / rows), empty when the size does not divide.
dng_matrix MatrixFromData(const std::vector<real64>& data, uint32 rows);
