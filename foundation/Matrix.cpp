#include "foundation/Matrix.h"

#include <cmath>
#include <cstring>

void SetIdentityMatrix(float* m)
{
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void MultiplyMatrix(float* m, const float* r)
{
    // Every element of m is read by four products, so the result is built aside.
    float out[16];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += m[4 * i + k] * r[4 * k + j];
            out[4 * i + j] = sum;
        }
    memcpy(m, out, sizeof(out));
}

void RotateMatrix(float* m, float a, float b, float c)
{
    float ca = cosf(a), sa = sinf(a);
    float cb = cosf(b), sb = sinf(b);
    float cc = cosf(c), sc = sinf(c);
    const float ry[16] = {ca, 0, -sa, 0, 0, 1, 0, 0, sa, 0, ca, 0, 0, 0, 0, 1};
    const float rx[16] = {1, 0, 0, 0, 0, cb, sb, 0, 0, -sb, cb, 0, 0, 0, 0, 1};
    const float rz[16] = {cc, sc, 0, 0, -sc, cc, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    MultiplyMatrix(m, ry);
    MultiplyMatrix(m, rx);
    MultiplyMatrix(m, rz);
}

void TransformPoint(const float* m, float* out, const float* p)
{
    float x = p[0], y = p[1], z = p[2];
    for (int i = 0; i < 3; ++i) out[i] = m[4 * i] * x + m[4 * i + 1] * y + m[4 * i + 2] * z + m[4 * i + 3];
}
