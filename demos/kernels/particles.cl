// Particle motion of the OpenCL particles demo: every particle is pulled to
// the window centre and pushed away from the mouse. One work item moves one
// particle; its position lives in the position array that OpenGL draws.

typedef struct {
  float2 position;  // kept for the record's layout; the position array is used
  float2 acceleration;
  float2 velocity;
  float mass;
  float radius;
} Particle;

__kernel void updateParticleWithoutCollision(__global Particle* particles, __global float2* positions,
                                             uint count, float2 mouse, float2 dimensions, float time) {
  uint id = get_global_id(0);
  if (id >= count) return;
  float2 p = positions[id];
  float2 v = particles[id].velocity;
  float mass = particles[id].mass;
  float2 away = mouse - p;
  float2 force = (dimensions * 0.5f - p) * 0.05f;
  float near2 = dot(away, away);
  if (near2 < 200.0f * 200.0f) {
    away *= 300.0f / (near2 + 0.000001f);
    force -= away * mass * 0.7f;
  }
  v += force * mass * 0.7f;
  p += v;
  v *= 0.85f;
  particles[id].velocity = v;
  positions[id] = p;
}

// The wavy variants: a weaker pull, a smaller push zone and steps bent by a
// sine of the velocity, with the precise or the native sine.
void moveWavy(__global Particle* particles, __global float2* positions, uint count, float2 mouse,
              float2 dimensions, float time, int native) {
  uint id = get_global_id(0);
  if (id >= count) return;
  float2 p = positions[id];
  float2 v = particles[id].velocity;
  float mass = particles[id].mass;
  float2 away = mouse - p;
  float2 force = (dimensions * 0.5f - p) * 0.01f;
  float near2 = dot(away, away);
  if (near2 < 100.0f * 100.0f) {
    away *= 300.0f / (near2 + 0.000001f);
    force -= away * mass;
  }
  v += force * mass;
  p += native ? native_sin(v * native_cos(time * 0.5f)) : sin(v * cos(time * 0.5f));
  v *= 0.42f;
  particles[id].velocity = v;
  positions[id] = p;
}

__kernel void updateParticleWithoutCollisionSin(__global Particle* particles, __global float2* positions,
                                                uint count, float2 mouse, float2 dimensions, float time) {
  moveWavy(particles, positions, count, mouse, dimensions, time, 0);
}

__kernel void updateParticleWithoutCollisionNativeSin(__global Particle* particles, __global float2* positions,
                                                      uint count, float2 mouse, float2 dimensions, float time) {
  moveWavy(particles, positions, count, mouse, dimensions, time, 1);
}
