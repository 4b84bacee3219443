#include "terrain/MeshCamera.h"

#include <cmath>


namespace {

constexpr float kDegreesPerRadian = 57.29578f;

float WrapDegrees(float a)
{
    a = std::fmod(a, 360.0f);
    if (a < 0) a += 360.0f;
    // fmod of a tiny negative angle plus 360 rounds to 360 itself.
    if (a >= 360.0f) a -= 360.0f;
    return a;
}

// m = m x the rotation by angle degrees about axis, as glRotatef builds it.
void MultiplyRotation(float m[16], float degrees, float ax, float ay, float az)
{
    const float length = std::sqrt(ax * ax + ay * ay + az * az);
    if (length == 0) return;
    ax /= length, ay /= length, az /= length;
    const float a = degrees / kDegreesPerRadian;
    const float c = std::cos(a), s = std::sin(a), t = 1 - c;
    const float r[16] = {t * ax * ax + c,      t * ax * ay + s * az, t * ax * az - s * ay, 0,
                         t * ax * ay - s * az, t * ay * ay + c,      t * ay * az + s * ax, 0,
                         t * ax * az + s * ay, t * ay * az - s * ax, t * az * az + c,      0,
                         0,                    0,                    0,                    1};
    float out[16];
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += m[k * 4 + row] * r[col * 4 + k];
            out[col * 4 + row] = sum;
        }
    for (int i = 0; i < 16; ++i) m[i] = out[i];
}

}  // namespace

void MeshCamera::Reset()
{
    eye[0] = 0, eye[1] = 50, eye[2] = 0;
    yaw = 135, pitch = -27, roll = 0;
    orbitDistance = 20;
}

void MeshCamera::RotationMatrix(float m[16]) const
{
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    MultiplyRotation(m, -yaw, 0, 1, 0);
    const float c = std::cos(-yaw / kDegreesPerRadian), s = std::sin(-yaw / kDegreesPerRadian);
    MultiplyRotation(m, -roll, -s, 0, c);
    MultiplyRotation(m, -pitch, c, 0, s);
}

bool MeshCamera::MoveByKeys(MeshKeyHeld held)
{
    bool moved = false;
    auto down = [&](char key) {
        if (!held(u32(key))) return false;
        moved = true;
        return true;
    };
    float c = std::cos(-yaw / kDegreesPerRadian), s = std::sin(-yaw / kDegreesPerRadian);
    const float r = eye[1] / std::tan(-pitch / kDegreesPerRadian);
    if (std::isfinite(r)) orbitDistance = r;

    float move[2] = {0, 0};
    if (down('X')) move[0] += c, move[1] += s;
    if (down('Z')) move[0] -= c, move[1] -= s;
    if (down('W')) move[0] += s, move[1] -= c;
    if (down('S')) move[0] -= s, move[1] += c;
    const float length = std::sqrt(move[0] * move[0] + move[1] * move[1]);
    if (length > 0) {
        eye[0] += move[0] / length * 0.5f;
        eye[2] += move[1] / length * 0.5f;
    }

    const bool orbitLeft = down('Q'), orbitRight = down('E');
    // A level or upturned view meets the ground nowhere (or behind the eye at infinity):
    // orbiting then would put infinities into the eye for good.
    if ((orbitLeft || orbitRight) && std::isfinite(r)) {
        const float groundX = eye[0] + r * s, groundZ = eye[2] - r * c;
        if (orbitLeft) yaw = WrapDegrees(yaw - 2);
        if (orbitRight) yaw = WrapDegrees(yaw + 2);
        c = std::cos(-yaw / kDegreesPerRadian), s = std::sin(-yaw / kDegreesPerRadian);
        eye[0] = groundX - r * s;
        eye[2] = groundZ + r * c;
    }

    const float climb = -std::sin(-pitch / kDegreesPerRadian);
    if (down('C')) eye[0] += s, eye[1] += climb, eye[2] -= c;
    if (down('V')) eye[0] -= s, eye[1] -= climb, eye[2] += c;
    if (down('A')) yaw = WrapDegrees(yaw + 2);
    if (down('D')) yaw = WrapDegrees(yaw - 2);
    if (down('O')) pitch += 1;
    if (down('P')) pitch -= 1;
    return moved;
}

u32 MeshStepClock::Advance(double now)
{
    if (now - start > 1.0 || now < start) Start(now);
    const double due = std::trunc((now - start) / kMeshStepSeconds);
    if (due <= steps) return 0;
    const u32 count = u32(due - steps);
    steps = s32(due);
    return count;
}

float MeshViewFieldOfView(s32 width, s32 height)
{
    if (width <= 0 || height <= 0) return 0;
    const double half = std::atan(std::tan(25.0 / 57.29578) * (double(width) / height) / (4.0 / 3.0));
    return float(2 * half * 57.29578);
}
