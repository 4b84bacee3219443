#include <gtest/gtest.h>

#include <cmath>

#include "foundation/Matrix.h"

namespace {

void ExpectMatrixNear(const float* m, const double* expected, double tolerance)
{
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], tolerance) << "element " << i;
}

// The product a x b of two 4x4 row-major matrices, in double precision.
void Product(const double* a, const double* b, double* out)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double s = 0;
            for (int k = 0; k < 4; ++k) s += a[4 * i + k] * b[4 * k + j];
            out[4 * i + j] = s;
        }
}

}  // namespace

TEST(Matrix, SetIdentityMatrixOverwritesEveryElement)
{
    float m[16];
    for (float& x : m) x = 7.0f;
    SetIdentityMatrix(m);
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    ExpectMatrixNear(m, identity, 0);
}

TEST(Matrix, MultiplyMatrixMultipliesOnTheRight)
{
    float m[16], r[16];
    for (int i = 0; i < 16; ++i) {
        m[i] = float(i + 1);
        r[i] = float(i + 17);
    }
    MultiplyMatrix(m, r);
    const double expected[16] = {250, 260, 270, 280, 618, 644, 670, 696, 986, 1028, 1070, 1112, 1354, 1412, 1470, 1528};
    ExpectMatrixNear(m, expected, 0);
}

TEST(Matrix, MultiplyMatrixByItselfSquares)
{
    float m[16];
    for (int i = 0; i < 16; ++i) m[i] = float(i + 1);
    MultiplyMatrix(m, m);
    const double expected[16] = {90, 100, 110, 120, 202, 228, 254, 280, 314, 356, 398, 440, 426, 484, 542, 600};
    ExpectMatrixNear(m, expected, 0);
}

TEST(Matrix, MultiplyMatrixByATranslationMovesTheLastColumnOfTheRowsThatUseIt)
{
    // Translation in row-major with the offset in the last column: m x T adds m's first three
    // columns weighted by the offset to m's last column.
    float m[16];
    SetIdentityMatrix(m);
    m[0] = 2;  // scale x by 2
    const float t[16] = {1, 0, 0, 3, 0, 1, 0, 4, 0, 0, 1, 5, 0, 0, 0, 1};
    MultiplyMatrix(m, t);
    const double expected[16] = {2, 0, 0, 6, 0, 1, 0, 4, 0, 0, 1, 5, 0, 0, 0, 1};
    ExpectMatrixNear(m, expected, 0);
}

TEST(Matrix, RotateMatrixAppliesYThenXThenZOnTheRight)
{
    const float a = 0.3f, b = -1.1f, c = 2.5f;
    const double ca = std::cos(double(a)), sa = std::sin(double(a));
    const double cb = std::cos(double(b)), sb = std::sin(double(b));
    const double cc = std::cos(double(c)), sc = std::sin(double(c));
    const double ry[16] = {ca, 0, -sa, 0, 0, 1, 0, 0, sa, 0, ca, 0, 0, 0, 0, 1};
    const double rx[16] = {1, 0, 0, 0, 0, cb, sb, 0, 0, -sb, cb, 0, 0, 0, 0, 1};
    const double rz[16] = {cc, sc, 0, 0, -sc, cc, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const double start[16] = {1, 2, 0, 1, 0, 1, 3, 0, 2, 0, 1, 0, 0, 0, 0, 1};

    float m[16];
    for (int i = 0; i < 16; ++i) m[i] = float(start[i]);
    RotateMatrix(m, a, b, c);

    double t1[16], t2[16], expected[16];
    Product(start, ry, t1);
    Product(t1, rx, t2);
    Product(t2, rz, expected);
    ExpectMatrixNear(m, expected, 1e-5);
}

TEST(Matrix, RotateMatrixOfOneAngleGivesItsRotation)
{
    const float q = float(M_PI / 2);
    float m[16];
    SetIdentityMatrix(m);
    RotateMatrix(m, q, 0, 0);
    const double ry[16] = {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1};
    ExpectMatrixNear(m, ry, 1e-6);

    SetIdentityMatrix(m);
    RotateMatrix(m, 0, q, 0);
    const double rx[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1};
    ExpectMatrixNear(m, rx, 1e-6);

    SetIdentityMatrix(m);
    RotateMatrix(m, 0, 0, q);
    const double rz[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    ExpectMatrixNear(m, rz, 1e-6);
}

TEST(Matrix, TransformPointAppliesTheTopThreeRowsToTheColumnPoint)
{
    const float m[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const float p[3] = {1, -1, 2};
    float out[3];
    TransformPoint(m, out, p);
    EXPECT_EQ(out[0], 1 - 2 + 6 + 4);
    EXPECT_EQ(out[1], 5 - 6 + 14 + 8);
    EXPECT_EQ(out[2], 9 - 10 + 22 + 12);
}

TEST(Matrix, TransformPointMayWriteOverItsInput)
{
    float m[16];
    SetIdentityMatrix(m);
    RotateMatrix(m, float(M_PI / 2), 0, 0);
    float p[3] = {0, 0, -10};  // an eye offset: y rotation by a quarter turn moves it to +x
    TransformPoint(m, p, p);
    EXPECT_NEAR(p[0], 10, 1e-5);
    EXPECT_NEAR(p[1], 0, 1e-5);
    EXPECT_NEAR(p[2], 0, 1e-5);
}
