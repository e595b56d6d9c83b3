#pragma once
// Camera colour data read with exiftool from real DNGs.
#include <vector>

#include "dng/dng_camera_profile.h"
#include "fixture_writer.h"

// Canon EOS 550D (Magic Lantern): one matrix.
inline dng_matrix_3by3 Canon550DColorMatrix() {
    return dng_matrix_3by3(0.6461, -0.1164, -0.0857, -0.3825, 1.1597, 0.2534, -0.0416, 0.1540, 0.6039);
}

// Canon EOS 6D: two matrices for illuminant A and D65, forward matrices, camera calibration.
inline dng_camera_profile Canon6DProfile(bool withForwardMatrices) {
    dng_camera_profile p;
    p.SetCalibrationIlluminant1(lsStandardLightA);
    p.SetCalibrationIlluminant2(lsD65);
    p.SetColorMatrix1(dng_matrix_3by3(0.7546, -0.1435, -0.0929, -0.3846, 1.1488, 0.2692, -0.0332, 0.1209, 0.6370));
    p.SetColorMatrix2(dng_matrix_3by3(0.7034, -0.0804, -0.1014, -0.4420, 1.2564, 0.2058, -0.0851, 0.1994, 0.5758));
    if (withForwardMatrices) {
        p.SetForwardMatrix1(
            dng_matrix_3by3(0.7763, 0.0065, 0.1815, 0.2364, 0.8351, -0.0715, -0.0059, -0.4228, 1.2538));
        p.SetForwardMatrix2(
            dng_matrix_3by3(0.7464, 0.1044, 0.1135, 0.2648, 0.9173, -0.1820, 0.0113, -0.2154, 1.0292));
    }
    return p;
}
inline const dng_matrix_3by3 k6DCalibration1(0.9883, 1, 1);

// A fixture carrying the 6D's colour tags: illuminants A and D65, both matrix pairs, the calibration.
inline FixtureOptions Canon6DProfileFixture() {
    const auto rowMajor = [](const dng_matrix& m) {
        std::vector<double> v;
        for (uint32 r = 0; r < m.Rows(); ++r)
            for (uint32 c = 0; c < m.Cols(); ++c) v.push_back(m[r][c]);
        return v;
    };
    const dng_camera_profile p = Canon6DProfile(true);
    FixtureOptions s;
    s.model = "Canon EOS 6D";
    s.samples = PatternSamples(s.width, s.height, 1, s.bits);
    s.colorMatrix = rowMajor(p.ColorMatrix1());
    s.extraTags = {{50722, fixture_type::kSRational, rowMajor(p.ColorMatrix2())},
                   {50723, fixture_type::kSRational, rowMajor(k6DCalibration1)},
                   {50964, fixture_type::kSRational, rowMajor(p.ForwardMatrix1())},
                   {50965, fixture_type::kSRational, rowMajor(p.ForwardMatrix2())},
                   {50778, fixture_type::kShort, {double(lsStandardLightA)}},
                   {50779, fixture_type::kShort, {double(lsD65)}}};
    return s;
}

// Blackmagic Pocket Cinema Camera: the matrix for D65, its second illuminant.
inline dng_matrix_3by3 BlackmagicColorMatrix2() {
    return dng_matrix_3by3(1.00885, -0.27351, -0.08258, -0.48997, 1.34441, 0.11174, -0.06406, 0.32997, 0.53917);
}

// A four-colour camera: the 550D's matrix with a fourth row.
inline dng_matrix FourColourMatrix() {
    dng_matrix cm(4, 3);
    const dng_matrix_3by3 base = Canon550DColorMatrix();
    for (uint32 r = 0; r < 3; ++r)
        for (uint32 c = 0; c < 3; ++c) cm[r][c] = base[r][c];
    cm[3][0] = 0.1;
    cm[3][1] = 0.5;
    cm[3][2] = 0.2;
    return cm;
}
