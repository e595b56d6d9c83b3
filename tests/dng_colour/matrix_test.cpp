#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "dng/dng_exceptions.h"
#include "dng/dng_matrix.h"

namespace {

dng_matrix Make(uint32 rows, uint32 cols, std::initializer_list<real64> values) {
    dng_matrix m(rows, cols);
    auto it = values.begin();
    for (uint32 r = 0; r < rows; ++r)
        for (uint32 c = 0; c < cols; ++c) m[r][c] = *it++;
    return m;
}

void ExpectNear(const dng_matrix& a, const dng_matrix& b, real64 tolerance) {
    ASSERT_EQ(a.Rows(), b.Rows());
    ASSERT_EQ(a.Cols(), b.Cols());
    EXPECT_LE(MaxDifference(a, b), tolerance);
}

void ExpectMatrixMathError(const std::function<void()>& f) {
    try {
        f();
        FAIL() << "expected a matrix-math error";
    } catch (const dng_exception& e) {
        EXPECT_EQ(e.ErrorCode(), dng_error_matrix_math);
    }
}

TEST(DngMatrix, ArithmeticWithHandWorkedValues) {
    const dng_matrix a = Make(2, 3, {1, 2, 3, 4, 5, 6});
    ExpectNear(a * Make(3, 2, {7, 8, 9, 10, 11, 12}), Make(2, 2, {58, 64, 139, 154}), 0);
    ExpectNear(Transpose(a), Make(3, 2, {1, 4, 2, 5, 3, 6}), 0);
    const dng_vector p = a * dng_vector_3(1, 0, -1);
    ASSERT_EQ(p.Count(), 2u);
    EXPECT_EQ(p[0], -2);
    EXPECT_EQ(p[1], -2);
    ExpectNear(0.5 * a + a, 1.5 * a, 1e-15);
    EXPECT_NEAR(Make(3, 3, {2, 0, 1, 1, 3, 2, 1, 1, 2}).Determinant(), 6.0, 1e-12);

    dng_matrix m = Make(1, 2, {0.123456, 0.00005});
    m.Round(10000);
    EXPECT_DOUBLE_EQ(m[0][0], 0.1235);
    EXPECT_DOUBLE_EQ(m[0][1], 0.0001);  // half rounds away from zero
}

TEST(DngMatrix, ShapeMismatchIsAMatrixMathError) {
    const dng_matrix a(2, 3);
    ExpectMatrixMathError([&] { a * a; });
    ExpectMatrixMathError([&] { a * dng_vector(2); });
    ExpectMatrixMathError([&] { a + dng_matrix(3, 2); });
    ExpectMatrixMathError([&] { dng_matrix_3by3 m(a); });
    ExpectMatrixMathError([&] { a.Determinant(); });
}

TEST(DngMatrix, InversesOfSquareAndNonSquareMatrices) {
    const dng_matrix_3by3 cm(0.6461, -0.1164, -0.0857, -0.3825, 1.1597, 0.2534, -0.0416, 0.1540, 0.6039);
    ExpectNear(cm * Invert(cm), Identity(3), 1e-12);
    ExpectNear(Invert(cm) * cm, Identity(3), 1e-12);
    // A zero on the leading diagonal needs a row swap.
    const dng_matrix swap = Make(4, 4, {0, 2, 0, 1, 3, 0, 1, 0, 0, 1, 4, 0, 1, 0, 0, 5});
    ExpectNear(swap * Invert(swap), Identity(4), 1e-12);
    ExpectNear(Invert(Make(2, 2, {4, 7, 2, 6})), Make(2, 2, {0.6, -0.7, -0.2, 0.4}), 1e-14);
    EXPECT_NO_THROW(Invert(dng_matrix_3by3(1e-9, 1e-9, 1e-9)));  // tiny but well-conditioned

    // A four-colour camera's 4x3 matrix has a left inverse; with a reduction hint it is
    // (hint A)^-1 hint.
    const dng_matrix tall = Make(4, 3, {0.6, -0.1, -0.1, -0.4, 1.2, 0.2, -0.05, 0.15, 0.6, 0.3, 0.5, 0.1});
    ExpectNear(Invert(tall) * tall, Identity(3), 1e-12);
    ExpectNear(Transpose(tall) * Invert(Transpose(tall)), Identity(3), 1e-12);
    const dng_matrix hint = Make(3, 4, {1, 0, 0, 0.5, 0, 1, 0, 0.5, 0, 0, 1, 0});
    ExpectNear(Invert(tall, hint), Invert(hint * tall) * hint, 1e-12);
    ExpectNear(Invert(tall, hint) * tall, Identity(3), 1e-12);
}

TEST(DngMatrix, SingularAndNonFiniteMatricesRefuseInversion) {
    ExpectMatrixMathError([] { Invert(dng_matrix_3by3(1, 2, 3, 2, 4, 6, 0, 1, 1)); });
    ExpectMatrixMathError([] { Invert(dng_matrix(3, 3)); });
    ExpectMatrixMathError([] { Invert(dng_matrix()); });
    ExpectMatrixMathError([] { Invert(dng_matrix_3by3(std::nan(""), 1, 1)); });
    ExpectMatrixMathError([] { Invert(dng_matrix_3by3(std::numeric_limits<real64>::infinity(), 1, 1)); });
    ExpectMatrixMathError([] { Invert(Make(4, 3, {1, 2, 3, 2, 4, 6, 1, 2, 3, 0, 0, 0})); });  // dependent columns
}

}  // namespace
