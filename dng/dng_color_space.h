#pragma once
#include "dng/dng_matrix.h"
#include "dng/dng_types.h"
#include "dng/dng_xy_coord.h"

// An RGB output space: its matrices to and from the PCS (XYZ relative to D50) and its
// encoding curve. Matrices come from the space's primaries and white, adapted to D50 with
// Bradford and scaled per row so that RGB (1, 1, 1) lands exactly on the PCS white.
class dng_color_space {
public:
    virtual ~dng_color_space() = default;
    dng_color_space(const dng_color_space&) = delete;
    dng_color_space& operator=(const dng_color_space&) = delete;

    // Linear RGB → PCS XYZ and its inverse, 3×3.
    const dng_matrix& MatrixToPCS() const { return fMatrixToPCS; }
    const dng_matrix& MatrixFromPCS() const { return fMatrixFromPCS; }

    // Encoding curve: linear [0, 1] → encoded [0, 1] and back. Inputs are clamped to [0, 1].
    virtual real64 EncodeGamma(real64 linear) const = 0;
    virtual real64 DecodeGamma(real64 encoded) const = 0;

protected:
    // Primaries and white as chromaticities.
    dng_color_space(const dng_xy_coord& red, const dng_xy_coord& green, const dng_xy_coord& blue,
                    const dng_xy_coord& white);

private:
    dng_matrix fMatrixToPCS;
    dng_matrix fMatrixFromPCS;
};

// A space whose curve is a pure power law.
class dng_gamma_color_space : public dng_color_space {
public:
    real64 EncodeGamma(real64 linear) const override;
    real64 DecodeGamma(real64 encoded) const override;

protected:
    dng_gamma_color_space(const dng_xy_coord& red, const dng_xy_coord& green, const dng_xy_coord& blue,
                          const dng_xy_coord& white, real64 gamma)
        : dng_color_space(red, green, blue, white), fGamma(gamma) {}

private:
    real64 fGamma;
};

// sRGB (IEC 61966-2-1): Rec. 709 primaries, D65, piecewise curve with a linear foot.
class dng_space_sRGB : public dng_color_space {
public:
    static const dng_space_sRGB& Get();
    real64 EncodeGamma(real64 linear) const override;
    real64 DecodeGamma(real64 encoded) const override;

private:
    dng_space_sRGB();
};

// Adobe RGB (1998): D65, gamma 2.2.
class dng_space_AdobeRGB : public dng_gamma_color_space {
public:
    static const dng_space_AdobeRGB& Get();

private:
    dng_space_AdobeRGB();
};

// ColorMatch RGB: D50, gamma 1.8.
class dng_space_ColorMatch : public dng_gamma_color_space {
public:
    static const dng_space_ColorMatch& Get();

private:
    dng_space_ColorMatch();
};

// ProPhoto RGB (ROMM): D50, gamma 1.8.
class dng_space_ProPhoto : public dng_gamma_color_space {
public:
    static const dng_space_ProPhoto& Get();

private:
    dng_space_ProPhoto();
};
