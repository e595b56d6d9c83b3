#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "dng/dng_exceptions.h"
#include "dng/dng_matrix.h"

namespace {

void ExpectNear(const dng_matrix& a, const dng_matrix& b, real64 tolerance) {
    ASSERT_EQ(a.Rows(), b.Rows());
    ASSERT_EQ(a.Cols(), b.Cols());
    EXPECT_LE(MaxDifference(a, b), tolerance);
}

dng_matrix Make(uint32 rows, uint32 cols, std::initializer_list<real64> values) {
    dng_matrix m(rows, cols);
    auto it = values.begin();
    for (uint32 r = 0; r < rows; ++r)
        for (uint32 c = 0; c < cols; ++c)
            m[r][c] = *it++;
    return m;
}

void ExpectMatrixMathError(const std::function<void()>& f) {
    try {
        f();
        FAIL() << "expected a matrix-math error";
    } catch (const dng_exception& e) {
        EXPECT_EQ(e.ErrorCode(), dng_error_matrix_math);
    }
}

}  // namespace

TEST(DngMatrix, ShapeAccessAndEmptiness) {
    dng_matrix m(2, 3);
    EXPECT_EQ(m.Rows(), 2u);
    EXPECT_EQ(m.Cols(), 3u);
    EXPECT_FALSE(m.IsEmpty());
    m[1][2] = 7.5;
    EXPECT_EQ(m[1][2], 7.5);
    EXPECT_EQ(m[0][2], 0.0);
    EXPECT_TRUE(dng_matrix().IsEmpty());
    EXPECT_TRUE(dng_matrix(0, 3).IsEmpty());
    EXPECT_TRUE(Identity(3).IsIdentity());
    EXPECT_FALSE(m.IsIdentity());
    EXPECT_FALSE(Diagonal(dng_vector_3(1, 2, 1)).IsIdentity());
}

TEST(DngMatrix, ProductsWithHandWorkedValues) {
    const dng_matrix a = Make(2, 3, {1, 2, 3, 4, 5, 6});
    const dng_matrix b = Make(3, 2, {7, 8, 9, 10, 11, 12});
    ExpectNear(a * b, Make(2, 2, {58, 64, 139, 154}), 0);
    ExpectNear(Transpose(a), Make(3, 2, {1, 4, 2, 5, 3, 6}), 0);

    const dng_vector v = dng_vector_3(1, 0, -1);
    const dng_vector p = a * v;
    ASSERT_EQ(p.Count(), 2u);
    EXPECT_EQ(p[0], -2);
    EXPECT_EQ(p[1], -2);

    ExpectNear(Diagonal(dng_vector_3(2, 3, 4)) * Make(3, 1, {1, 1, 1}), Make(3, 1, {2, 3, 4}), 0);
    ExpectNear(0.5 * a + a, 1.5 * a, 1e-15);
}

TEST(DngMatrix, ShapeMismatchIsAMatrixMathError) {
    const dng_matrix a(2, 3);
    ExpectMatrixMathError([&] { a * a; });
    ExpectMatrixMathError([&] { a * dng_vector(2); });
    ExpectMatrixMathError([&] { a + dng_matrix(3, 2); });
    ExpectMatrixMathError([&] { dng_matrix_3by3 m(a); });
}

TEST(DngMatrix, SquareInverseRoundTrips) {
    const dng_matrix_3by3 cm(0.6461, -0.1164, -0.0857, -0.3825, 1.1597, 0.2534, -0.0416, 0.1540, 0.6039);
    ExpectNear(cm * Invert(cm), Identity(3), 1e-12);
    ExpectNear(Invert(cm) * cm, Identity(3), 1e-12);

    // Needs a row swap: a zero on the leading diagonal.
    const dng_matrix swap = Make(4, 4, {0, 2, 0, 1, 3, 0, 1, 0, 0, 1, 4, 0, 1, 0, 0, 5});
    ExpectNear(swap * Invert(swap), Identity(4), 1e-12);

    // Hand-worked 2×2: inverse of [4 7; 2 6] is [0.6 −0.7; −0.2 0.4].
    ExpectNear(Invert(Make(2, 2, {4, 7, 2, 6})), Make(2, 2, {0.6, -0.7, -0.2, 0.4}), 1e-14);
}

TEST(DngMatrix, PseudoInverseOfNonSquareMatrices) {
    // Four-colour camera: 4×3 XYZ → camera has a left inverse.
    const dng_matrix tall = Make(4, 3, {0.6, -0.1, -0.1, -0.4, 1.2, 0.2, -0.05, 0.15, 0.6, 0.3, 0.5, 0.1});
    const dng_matrix left = Invert(tall);
    ASSERT_EQ(left.Rows(), 3u);
    ASSERT_EQ(left.Cols(), 4u);
    ExpectNear(left * tall, Identity(3), 1e-12);

    const dng_matrix wide = Transpose(tall);
    ExpectNear(wide * Invert(wide), Identity(3), 1e-12);

    // With a reduction hint the inverse goes through it: (hint·A)⁻¹·hint.
    const dng_matrix hint = Make(3, 4, {1, 0, 0, 0.5, 0, 1, 0, 0.5, 0, 0, 1, 0});
    const dng_matrix hinted = Invert(tall, hint);
    ExpectNear(hinted * tall, Identity(3), 1e-12);
    ExpectNear(hinted, Invert(hint * tall) * hint, 1e-12);
}

TEST(DngMatrix, SingularAndNonFiniteMatricesRefuseInversion) {
    ExpectMatrixMathError([] { Invert(dng_matrix_3by3(1, 2, 3, 2, 4, 6, 0, 1, 1)); });
    ExpectMatrixMathError([] { Invert(dng_matrix(3, 3)); });
    ExpectMatrixMathError([] { Invert(dng_matrix()); });
    ExpectMatrixMathError([] { Invert(dng_matrix_3by3(std::nan(""), 1, 1)); });
    ExpectMatrixMathError(
        [] { Invert(dng_matrix_3by3(std::numeric_limits<real64>::infinity(), 1, 1)); });
    // A 4×3 whose columns are dependent has no left inverse.
    ExpectMatrixMathError([] { Invert(Make(4, 3, {1, 2, 3, 2, 4, 6, 1, 2, 3, 0, 0, 0})); });
    // Tiny but well-conditioned is still invertible.
    EXPECT_NO_THROW(Invert(dng_matrix_3by3(1e-9, 1e-9, 1e-9)));
}

TEST(DngMatrix, DeterminantEntriesScaleAndRound) {
    EXPECT_NEAR(Make(3, 3, {2, 0, 1, 1, 3, 2, 1, 1, 2}).Determinant(), 6.0, 1e-12);
    EXPECT_NEAR(Make(2, 2, {0, 1, 1, 0}).Determinant(), -1.0, 1e-15);
    EXPECT_EQ(dng_matrix_3by3(1, 2, 3, 2, 4, 6, 0, 1, 1).Determinant(), 0.0);
    ExpectMatrixMathError([] { dng_matrix(2, 3).Determinant(); });

    dng_matrix m = Make(2, 2, {0.123456, -2.5, 7.0, 0.00005});
    EXPECT_EQ(m.MaxEntry(), 7.0);
    EXPECT_EQ(m.MinEntry(), -2.5);
    m.Round(10000);
    EXPECT_DOUBLE_EQ(m[0][0], 0.1235);
    EXPECT_DOUBLE_EQ(m[1][1], 0.0001);  // half rounds away from zero
    m.Scale(2);
    EXPECT_DOUBLE_EQ(m[0][1], -5.0);

    dng_vector v = dng_vector_3(0.4037141, 1.0, -0.59023);
    EXPECT_EQ(v.MaxEntry(), 1.0);
    EXPECT_EQ(v.MinEntry(), -0.59023);
    v.Round(1000);
    EXPECT_DOUBLE_EQ(v[0], 0.404);
    EXPECT_DOUBLE_EQ(v[2], -0.59);
    dng_vector ones;
    ones.SetIdentity(4);
    EXPECT_EQ(ones.MinEntry(), 1.0);
    EXPECT_EQ(ones.Count(), 4u);
    EXPECT_TRUE(dng_vector(3).IsZero());
}
