#version 430
// Each particle is pulled towards the attractor with a strength of its own,
// nudged sideways so that the swarm swirls around it, slowed a little, and
// bounced back at the window's edges.
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
  float strength = 3.0 + 6.0 * fract(float(i) * 0.61803);
  v += u_dt * (strength * d / r + vec2(-d.y, d.x) / r);
  v *= 1.0 - 2.0 * u_dt;
  p += v * u_dt;
  if (abs(p.x) > 1.0) v.x = -0.5 * v.x;
  if (abs(p.y) > 1.0) v.y = -0.5 * v.y;
  p = clamp(p, -1.0, 1.0);
  particles[i].position.xy = p;
  particles[i].velocity.xy = v;
}
