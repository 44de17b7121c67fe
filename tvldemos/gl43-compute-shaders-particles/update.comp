#version 430
// Each particle is pulled towards the attractor, nudged sideways so that
// the swarm swirls around it, and slowed a little.
layout(local_size_x = 256) in;
struct Particle {
  vec4 position;
  vec4 velocity;
};
layout(std430, binding = 0) buffer Particles { Particle particles[]; };
uniform vec2 u_attractor;
uniform float u_dt;
void main() {
  uint i = gl_GlobalInvocationID.x;
  vec2 p = particles[i].position.xy;
  vec2 v = particles[i].velocity.xy;
  vec2 d = u_attractor - p;
  float r = sqrt(dot(d, d) + 0.02);
  v += u_dt * (6.0 * d / r + 1.5 * vec2(-d.y, d.x) / r);
  v *= 1.0 - 0.8 * u_dt;
  p += v * u_dt;
  particles[i].position.xy = p;
  particles[i].velocity.xy = v;
}
