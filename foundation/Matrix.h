#pragma once
// The matrix routines of the 3D views. Matrices are arrays of f32 in row-major order: 16 for
// a 4x4 matrix, 12 for a 3x4 matrix (the top three rows of a 4x4 one).

// m = the 4x4 identity.
void SetIdentityMatrix(float* m);
// m = m x r (4x4). r may be m itself.
void MultiplyMatrix(float* m, const float* r);
// m = m x Ry(a) x Rx(b) x Rz(c), angles in radians, with
//   Ry(a) rows {cos a, 0, -sin a, 0}, {0, 1, 0, 0}, {sin a, 0, cos a, 0}, {0, 0, 0, 1}
//   Rx(b) rows {1, 0, 0, 0}, {0, cos b, sin b, 0}, {0, -sin b, cos b, 0}, {0, 0, 0, 1}
//   Rz(c) rows {cos c, sin c, 0, 0}, {-sin c, cos c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}
// in single precision.
void RotateMatrix(float* m, float a, float b, float c);
// out = the 3x4 matrix m applied to the column point (p, 1); out may be p.
void TransformPoint(const float* m, float* out, const float* p);
