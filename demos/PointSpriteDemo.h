// The point sprite particle demo (slot 14).
#pragma once
#include <windows.h>

DWORD WINAPI PointSpriteThread(void* slot);

// Births per frame at a steady rate: the fraction of a particle left over
// is carried to the next frame.
struct ParticleEmitter {
  float accumulator = 0.0f;
  int live = 0;  // particles drawn in the last frame
};
// Particles to emit this frame (rate per second, dt seconds).
int ParticleEmission(ParticleEmitter* emitter, float rate, float dt);
// Live particles drawn in the last frame.
int PointSpriteLiveCount();
