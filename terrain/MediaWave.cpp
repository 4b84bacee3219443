#include "terrain/MediaWave.h"

#include <cmath>

#include "codex/MediaRecord.h"

void LoadMediaWaves(MediaWave* wave, const MediaRecord* record)
{
    if (record) {
        const float toFrequency = float(2.0 * 3.14159265358979323846 / 65536.0);
        wave->amplitude[0] = record->waveAmplitude[0] / 512.0f;
        wave->amplitude[1] = record->waveAmplitude[2] / 512.0f;
        wave->amplitude[2] = record->waveAmplitude[1] / 512.0f;
        wave->frequency[0] = record->waveFrequency[0] * toFrequency;
        wave->frequency[1] = record->waveFrequency[2] * toFrequency;
        wave->frequency[2] = record->waveFrequency[1] * toFrequency;
    } else {
        wave->amplitude[0] = 0.1f;
        wave->amplitude[1] = 0.1f;
        wave->amplitude[2] = 0.2f;
        wave->frequency[0] = 0.5f;
        wave->frequency[1] = 0.5f;
        wave->frequency[2] = 1.0f;
    }
    float largest = wave->amplitude[0];
    if (wave->amplitude[1] > largest) largest = wave->amplitude[1];
    if (wave->amplitude[2] > largest) largest = wave->amplitude[2];
    wave->largestAmplitude = largest;
    wave->amplitude[1] *= 512.0f;
}

void ApplyMediaWave(const MediaWave* wave, u32 frameCounter, float point[3])
{
    const float phase = 377.0f * point[0] + 211.0f * point[2] + float((frameCounter / 2) & 0xFFFF);
    point[0] += std::sin(phase * wave->frequency[0]) * wave->amplitude[0];
    point[1] += std::sin(phase * wave->frequency[1]) * wave->amplitude[1];
    point[2] += std::sin(phase * wave->frequency[2]) * wave->amplitude[2];
}

float MediaWaveReach(const MediaWave* wave)
{
    const float x = wave->amplitude[0], y = wave->amplitude[1] / 512.0f, z = wave->amplitude[2];
    return std::sqrt(x * x + y * y + z * z);
}
