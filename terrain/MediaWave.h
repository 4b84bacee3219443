#pragma once
// The animation of water ("media") vertices: each moves on three sine waves whose phase runs
// across the mesh and with the frame counter.
#include "foundation/Types.h"

struct MediaRecord;

struct MediaWave {
    float amplitude[3];   // x, y, z; x and z in cells, y in 1/512 units
    float frequency[3];   // x, y, z, radians per phase unit
    float largestAmplitude;  // the largest of the three, y counted in cells
};

// From a 'medi' record (amplitudes x, y, z = its signed fields at bytes 104, 108, 106 / 512;
// frequencies x, y, z = those at 110, 114, 112 x 2 pi / 65536), or the defaults when record
// is null (amplitudes 0.1, 0.1, 0.2; frequencies 0.5, 0.5, 1.0).
void LoadMediaWaves(MediaWave* wave, const MediaRecord* record);

// Moves a mesh-space point (x and z in cells, y in 1/512 units) in place for a frame:
// phase = 377 x + 211 z + (frameCounter / 2 in its low 16 bits).
void ApplyMediaWave(const MediaWave* wave, u32 frameCounter, float point[3]);

// The longest distance (cells) the wave can move a point: what bounding volumes must grow by
// while the animation runs.
float MediaWaveReach(const MediaWave* wave);
