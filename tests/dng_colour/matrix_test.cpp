#include <gtest/gtest.h>

#include <cmath>
#include <functional>

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

// MaxDifference is infinite for a shape mismatch.
TEST(DngMatrix, HandWorkedValuesAndInverses) {
    const dng_matrix a = Make(2, 3, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(MaxDifference(a * Transpose(a), Make(2, 2, {14, 32, 32, 77})), 0);
    EXPECT_NEAR(Make(3, 3, {2, 0, 1, 1, 3, 2, 1, 1, 2}).Determinant(), 6.0, 1e-12);
    dng_matrix m = Make(1, 2, {0.123456, 0.00005});
    m.Round(10000);
    EXPECT_LE(MaxDifference(m, Make(1, 2, {0.1235, 0.0001})), 1e-15);  // half rounds away from zero

    EXPECT_LE(MaxDifference(Invert(Make(2, 2, {4, 7, 2, 6})), Make(2, 2, {0.6, -0.7, -0.2, 0.4})), 1e-14);
    // A zero on the leading diagonal needs a row swap.
    const dng_matrix swap = Make(4, 4, {0, 2, 0, 1, 3, 0, 1, 0, 0, 1, 4, 0, 1, 0, 0, 5});
    EXPECT_LE(MaxDifference(swap * Invert(swap), Identity(4)), 1e-12);
    EXPECT_NO_THROW(Invert(dng_matrix_3by3(1e-9, 1e-9, 1e-9)));  // tiny but well-conditioned
    // A four-colour camera's 4x3 matrix has a left inverse; with a reduction hint it is (hint A)^-1 hint.
    const dng_matrix tall = Make(4, 3, {0.6, -0.1, -0.1, -0.4, 1.2, 0.2, -0.05, 0.15, 0.6, 0.3, 0.5, 0.1});
    EXPECT_LE(MaxDifference(Invert(tall) * tall, Identity(3)), 1e-12);
    const dng_matrix hint = Make(3, 4, {1, 0, 0, 0.5, 0, 1, 0, 0.5, 0, 0, 1, 0});
    EXPECT_LE(MaxDifference(Invert(tall, hint), Invert(hint * tall) * hint), 1e-12);
}

TEST(DngMatrix, ShapeMismatchSingularAndNonFiniteAreMatrixMathErrors) {
    const dng_matrix a(2, 3);
    const std::function<void()> faults[] = {
        [&] { a * a; },
        [&] { a * dng_vector(2); },
        [&] { a + dng_matrix(3, 2); },
        [&] { dng_matrix_3by3 m(a); },
        [&] { a.Determinant(); },
        [] { Invert(dng_matrix_3by3(1, 2, 3, 2, 4, 6, 0, 1, 1)); },
        [] { Invert(dng_matrix_3by3(std::nan(""), 1, 1)); },
        [] { Invert(Make(4, 3, {1, 2, 3, 2, 4, 6, 1, 2, 3, 0, 0, 0})); },  // dependent columns
    };
    for (size_t i = 0; i < std::size(faults); ++i) {
        dng_error_code code = dng_error_none;
        try { faults[i](); } catch (const dng_exception& e) { code = e.ErrorCode(); }
        EXPECT_EQ(code, dng_error_matrix_math) << "case " << i;
    }
}

}  // namespace
