#include "dng/dng_matrix.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "dng/dng_exceptions.h"

namespace {

// Colour matrices never exceed a few rows; a bigger request is a caller fault, not data.
constexpr uint32 kMaxDimension = 64;

void CheckDimension(uint32 count) {
    if (count > kMaxDimension)
        ThrowMatrixMath("Matrix dimension too large");
}

real64 RoundTo(real64 value, real64 factor) { return std::round(value * factor) / factor; }

// Gauss-Jordan with partial pivoting; a pivot that is negligible against the matrix's
// own scale means the matrix is singular for our purposes.
dng_matrix InvertSquare(const dng_matrix& a) {
    const uint32 n = a.Rows();
    if (n == 0 || n != a.Cols())
        ThrowMatrixMath("Cannot invert a non-square matrix");
    if (!a.IsFinite())
        ThrowMatrixMath("Matrix has non-finite entries");

    real64 scale = 0.0;
    for (uint32 r = 0; r < n; ++r)
        for (uint32 c = 0; c < n; ++c)
            scale = std::max(scale, std::fabs(a[r][c]));
    if (scale == 0.0)
        ThrowMatrixMath("Matrix is singular");
    const real64 tolerance = scale * 1.0e-12;

    dng_matrix work = a;
    dng_matrix inv = Identity(n);
    for (uint32 col = 0; col < n; ++col) {
        uint32 pivot = col;
        for (uint32 r = col + 1; r < n; ++r)
            if (std::fabs(work[r][col]) > std::fabs(work[pivot][col]))
                pivot = r;
        if (std::fabs(work[pivot][col]) <= tolerance)
            ThrowMatrixMath("Matrix is singular");
        if (pivot != col) {
            for (uint32 c = 0; c < n; ++c) {
                std::swap(work[pivot][c], work[col][c]);
                std::swap(inv[pivot][c], inv[col][c]);
            }
        }
        const real64 p = work[col][col];
        for (uint32 c = 0; c < n; ++c) {
            work[col][c] /= p;
            inv[col][c] /= p;
        }
        for (uint32 r = 0; r < n; ++r) {
            if (r == col)
                continue;
            const real64 f = work[r][col];
            if (f == 0.0)
                continue;
            for (uint32 c = 0; c < n; ++c) {
                work[r][c] -= f * work[col][c];
                inv[r][c] -= f * inv[col][c];
            }
        }
    }
    if (!inv.IsFinite())
        ThrowMatrixMath("Matrix is singular");
    return inv;
}

}  // namespace

dng_vector::dng_vector(uint32 count) {
    CheckDimension(count);
    fData.assign(count, 0.0);
}

void dng_vector::SetIdentity(uint32 count) {
    CheckDimension(count);
    fData.assign(count, 1.0);
}

real64 dng_vector::MaxEntry() const {
    return fData.empty() ? 0.0 : *std::max_element(fData.begin(), fData.end());
}

real64 dng_vector::MinEntry() const {
    return fData.empty() ? 0.0 : *std::min_element(fData.begin(), fData.end());
}

void dng_vector::Scale(real64 factor) {
    for (real64& v : fData)
        v *= factor;
}

void dng_vector::Round(real64 factor) {
    for (real64& v : fData)
        v = RoundTo(v, factor);
}

dng_matrix dng_vector::AsColumn() const {
    dng_matrix m(Count(), 1);
    for (uint32 i = 0; i < Count(); ++i)
        m[i][0] = fData[i];
    return m;
}

dng_matrix::dng_matrix(uint32 rows, uint32 cols) {
    CheckDimension(rows);
    CheckDimension(cols);
    if (rows == 0 || cols == 0)
        return;
    fRows = rows;
    fCols = cols;
    fData.assign(static_cast<size_t>(rows) * cols, 0.0);
}

void dng_matrix::Clear() {
    fRows = fCols = 0;
    fData.clear();
}

bool dng_matrix::operator==(const dng_matrix& other) const {
    return fRows == other.fRows && fCols == other.fCols && fData == other.fData;
}

void dng_matrix::SetIdentity(uint32 count) { *this = Identity(count); }

bool dng_matrix::IsFinite() const {
    return std::all_of(fData.begin(), fData.end(), [](real64 v) { return std::isfinite(v); });
}

real64 dng_matrix::MaxEntry() const {
    return fData.empty() ? 0.0 : *std::max_element(fData.begin(), fData.end());
}

real64 dng_matrix::MinEntry() const {
    return fData.empty() ? 0.0 : *std::min_element(fData.begin(), fData.end());
}

void dng_matrix::Scale(real64 factor) {
    for (real64& v : fData)
        v *= factor;
}

void dng_matrix::Round(real64 factor) {
    for (real64& v : fData)
        v = RoundTo(v, factor);
}

real64 dng_matrix::Determinant() const {
    if (IsEmpty() || fRows != fCols)
        ThrowMatrixMath("Determinant of a non-square matrix");
    dng_matrix work = *this;
    const uint32 n = fRows;
    real64 det = 1.0;
    for (uint32 col = 0; col < n; ++col) {
        uint32 pivot = col;
        for (uint32 r = col + 1; r < n; ++r)
            if (std::fabs(work[r][col]) > std::fabs(work[pivot][col]))
                pivot = r;
        if (work[pivot][col] == 0.0)
            return 0.0;
        if (pivot != col) {
            for (uint32 c = 0; c < n; ++c)
                std::swap(work[pivot][c], work[col][c]);
            det = -det;
        }
        det *= work[col][col];
        for (uint32 r = col + 1; r < n; ++r) {
            const real64 f = work[r][col] / work[col][col];
            for (uint32 c = col; c < n; ++c)
                work[r][c] -= f * work[col][c];
        }
    }
    return det;
}

dng_matrix_3by3::dng_matrix_3by3() : dng_matrix(3, 3) {}

dng_matrix_3by3::dng_matrix_3by3(const dng_matrix& m) : dng_matrix(m) {
    if (m.Rows() != 3 || m.Cols() != 3)
        ThrowMatrixMath("Matrix is not 3 by 3");
}

dng_matrix_3by3::dng_matrix_3by3(real64 a00, real64 a01, real64 a02,
                                 real64 a10, real64 a11, real64 a12,
                                 real64 a20, real64 a21, real64 a22)
    : dng_matrix(3, 3) {
    fData = {a00, a01, a02, a10, a11, a12, a20, a21, a22};
}

dng_matrix_3by3::dng_matrix_3by3(real64 a00, real64 a11, real64 a22) : dng_matrix(3, 3) {
    (*this)[0][0] = a00;
    (*this)[1][1] = a11;
    (*this)[2][2] = a22;
}

dng_vector_3::dng_vector_3() : dng_vector(3) {}

dng_vector_3::dng_vector_3(const dng_vector& v) : dng_vector(v) {
    if (v.Count() != 3)
        ThrowMatrixMath("Vector does not have 3 entries");
}

dng_vector_3::dng_vector_3(real64 a0, real64 a1, real64 a2) : dng_vector(3) {
    (*this)[0] = a0;
    (*this)[1] = a1;
    (*this)[2] = a2;
}

dng_matrix operator*(const dng_matrix& a, const dng_matrix& b) {
    if (a.Cols() != b.Rows() || a.IsEmpty())
        ThrowMatrixMath("Matrix shapes do not match for a product");
    dng_matrix p(a.Rows(), b.Cols());
    for (uint32 r = 0; r < a.Rows(); ++r)
        for (uint32 c = 0; c < b.Cols(); ++c) {
            real64 sum = 0.0;
            for (uint32 k = 0; k < a.Cols(); ++k)
                sum += a[r][k] * b[k][c];
            p[r][c] = sum;
        }
    return p;
}

dng_vector operator*(const dng_matrix& a, const dng_vector& v) {
    if (a.Cols() != v.Count() || a.IsEmpty())
        ThrowMatrixMath("Matrix and vector shapes do not match");
    dng_vector p(a.Rows());
    for (uint32 r = 0; r < a.Rows(); ++r) {
        real64 sum = 0.0;
        for (uint32 k = 0; k < a.Cols(); ++k)
            sum += a[r][k] * v[k];
        p[r] = sum;
    }
    return p;
}

dng_matrix operator*(real64 scale, const dng_matrix& a) {
    dng_matrix p = a;
    p.Scale(scale);
    return p;
}

dng_vector operator*(real64 scale, const dng_vector& v) {
    dng_vector p = v;
    p.Scale(scale);
    return p;
}

dng_matrix operator+(const dng_matrix& a, const dng_matrix& b) {
    if (a.Rows() != b.Rows() || a.Cols() != b.Cols())
        ThrowMatrixMath("Matrix shapes do not match for a sum");
    dng_matrix s = a;
    for (uint32 r = 0; r < a.Rows(); ++r)
        for (uint32 c = 0; c < a.Cols(); ++c)
            s[r][c] += b[r][c];
    return s;
}

dng_vector operator+(const dng_vector& a, const dng_vector& b) {
    if (a.Count() != b.Count())
        ThrowMatrixMath("Vector sizes do not match for a sum");
    dng_vector s = a;
    for (uint32 i = 0; i < a.Count(); ++i)
        s[i] += b[i];
    return s;
}

dng_matrix Transpose(const dng_matrix& a) {
    dng_matrix t(a.Cols(), a.Rows());
    for (uint32 r = 0; r < a.Rows(); ++r)
        for (uint32 c = 0; c < a.Cols(); ++c)
            t[c][r] = a[r][c];
    return t;
}

dng_matrix Identity(uint32 count) {
    dng_matrix m(count, count);
    for (uint32 i = 0; i < count; ++i)
        m[i][i] = 1.0;
    return m;
}

dng_matrix Diagonal(const dng_vector& v) {
    dng_matrix m(v.Count(), v.Count());
    for (uint32 i = 0; i < v.Count(); ++i)
        m[i][i] = v[i];
    return m;
}

dng_matrix Invert(const dng_matrix& a) {
    if (a.IsEmpty())
        ThrowMatrixMath("Cannot invert an empty matrix");
    if (a.Rows() == a.Cols())
        return InvertSquare(a);
    const dng_matrix t = Transpose(a);
    if (a.Rows() > a.Cols())
        return InvertSquare(t * a) * t;
    return t * InvertSquare(a * t);
}

dng_matrix Invert(const dng_matrix& a, const dng_matrix& hint) {
    if (a.Rows() > a.Cols() && hint.NotEmpty() && hint.Rows() == a.Cols() &&
        hint.Cols() == a.Rows())
        return InvertSquare(hint * a) * hint;
    return Invert(a);
}

real64 MaxDifference(const dng_matrix& a, const dng_matrix& b) {
    if (a.Rows() != b.Rows() || a.Cols() != b.Cols())
        return std::numeric_limits<real64>::infinity();
    real64 d = 0.0;
    for (uint32 r = 0; r < a.Rows(); ++r)
        for (uint32 c = 0; c < a.Cols(); ++c)
            d = std::max(d, std::fabs(a[r][c] - b[r][c]));
    return d;
}
