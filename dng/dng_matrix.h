#pragma once
#include <cstddef>
#include <vector>

#include "dng/dng_types.h"

class dng_matrix;

// Small dense matrices and vectors for colour work. Shape mismatches, singular inversions
// and sizes above 64 rows or columns throw the layer's matrix-math error.

class dng_vector {
public:
    dng_vector() = default;
    explicit dng_vector(uint32 count);

    uint32 Count() const { return static_cast<uint32>(fData.size()); }
    bool IsEmpty() const { return fData.empty(); }
    bool NotEmpty() const { return !fData.empty(); }
    void Clear() { fData.clear(); }

    real64& operator[](uint32 index) { return fData[index]; }
    real64 operator[](uint32 index) const { return fData[index]; }

    bool operator==(const dng_vector& other) const { return fData == other.fData; }
    bool operator!=(const dng_vector& other) const { return !(*this == other); }

    // All ones: the neutral of an unscaled channel set.
    void SetIdentity(uint32 count);

    real64 MaxEntry() const;
    real64 MinEntry() const;
    void Scale(real64 factor);
    // Rounds every entry to the nearest multiple of 1/factor.
    void Round(real64 factor);

    // One-column matrix holding this vector.
    dng_matrix AsColumn() const;

private:
    std::vector<real64> fData;
};

class dng_matrix {
public:
    dng_matrix() = default;
    dng_matrix(uint32 rows, uint32 cols);

    uint32 Rows() const { return fRows; }
    uint32 Cols() const { return fCols; }
    bool IsEmpty() const { return fRows == 0 || fCols == 0; }
    bool NotEmpty() const { return !IsEmpty(); }
    void Clear();

    real64* operator[](uint32 row) { return fData.data() + static_cast<size_t>(row) * fCols; }
    const real64* operator[](uint32 row) const { return fData.data() + static_cast<size_t>(row) * fCols; }

    bool operator==(const dng_matrix& other) const;
    bool operator!=(const dng_matrix& other) const { return !(*this == other); }

    void SetIdentity(uint32 count);
    // True when every entry is finite.
    bool IsFinite() const;

    real64 MaxEntry() const;
    real64 MinEntry() const;
    void Scale(real64 factor);
    void Round(real64 factor);

    // Determinant of a square matrix (matrix-math error otherwise).
    real64 Determinant() const;

protected:
    uint32 fRows = 0;
    uint32 fCols = 0;
    std::vector<real64> fData;
};

class dng_matrix_3by3 : public dng_matrix {
public:
    dng_matrix_3by3();
    explicit dng_matrix_3by3(const dng_matrix& m);
    dng_matrix_3by3(real64 a00, real64 a01, real64 a02,
                    real64 a10, real64 a11, real64 a12,
                    real64 a20, real64 a21, real64 a22);
    // Diagonal matrix.
    dng_matrix_3by3(real64 a00, real64 a11, real64 a22);
};

class dng_vector_3 : public dng_vector {
public:
    dng_vector_3();
    explicit dng_vector_3(const dng_vector& v);
    dng_vector_3(real64 a0, real64 a1, real64 a2);
};

dng_matrix operator*(const dng_matrix& a, const dng_matrix& b);
dng_vector operator*(const dng_matrix& a, const dng_vector& v);
dng_matrix operator*(real64 scale, const dng_matrix& a);
dng_vector operator*(real64 scale, const dng_vector& v);
dng_matrix operator+(const dng_matrix& a, const dng_matrix& b);
dng_vector operator+(const dng_vector& a, const dng_vector& b);

dng_matrix Transpose(const dng_matrix& a);
dng_matrix Identity(uint32 count);
dng_matrix Diagonal(const dng_vector& v);

// Inverse of a square matrix; for a non-square one the least-squares pseudo-inverse
// (A^T A)^-1 A^T (more rows) or A^T (A A^T)^-1 (more columns). Singular ⇒ matrix-math error.
dng_matrix Invert(const dng_matrix& a);
// As above, but a matrix with more rows than columns is first reduced by `hint`
// (e.g. a camera's reduction matrix): (hint·A)^-1 · hint.
dng_matrix Invert(const dng_matrix& a, const dng_matrix& hint);

// Largest absolute difference between entries; matrices of different shapes differ infinitely.
real64 MaxDifference(const dng_matrix& a, const dng_matrix& b);
