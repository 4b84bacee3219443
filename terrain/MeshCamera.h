#pragma once
// The terrain view's fly camera, its fixed-rate step clock and the projection's angle, without
// OpenGL. The eye is in world coordinates: mesh x is world -x, heights are in cells.
#include "foundation/Types.h"

// One camera step: 60 a second, as the single-precision value the step clock counts with.
constexpr double kMeshStepSeconds = 0.01666666753590107;

// Whether a key (KeyCode) is held.
typedef bool (*MeshKeyHeld)(u32 key);

struct MeshCamera {
    float eye[3];         // world coordinates
    float yaw;            // degrees, kept in [0, 360)
    float pitch;          // degrees
    float roll;           // degrees
    float orbitDistance;  // distance along the ground to where the view axis meets height 0

    // Eye (0, 50, 0), yaw 135, pitch -27, roll 0, orbit distance 20.
    void Reset();
    // The rotation the view applies before the eye's translation, as an OpenGL column-major
    // matrix: -yaw about the up axis, then -roll about the ground direction of view, then
    // -pitch about the ground direction to the right.
    void RotationMatrix(float m[16]) const;
    // One step of the held keys: X/Z and W/S move along the ground by half a cell, Q/E orbit
    // the point the view axis meets at height 0, C/V move along the view, A/D turn, O/P tilt.
    // Answers whether any of those keys is held. An orbit needs a finite ground distance
    // (a level or upturned view has none): then Q and E do nothing.
    bool MoveByKeys(MeshKeyHeld held);
};

// The clock that runs the camera steps: steps are counted from a start time, and after more
// than a second without steps the start moves to now (a stall causes no burst).
struct MeshStepClock {
    double start;
    s32 steps;

    void Start(double now)
    {
        start = now;
        steps = 0;
    }
    // How many steps are due at now (the count is advanced by that many). Time running
    // backwards gives none.
    u32 Advance(double now);
};

// The full horizontal angle (degrees) that keeps the vertical extent of a 4:3 view with a
// 50-degree horizontal angle whatever the shape; 0 when the width or height is not positive
// (there is no view to project).
float MeshViewFieldOfView(s32 width, s32 height);
