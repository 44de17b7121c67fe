#version 430
// Counts every fragment of a disc; the host reads the counter back.
layout(binding = 0, offset = 0) uniform atomic_uint u_count;
uniform vec2 u_resolution;
uniform float u_time;
out vec4 frag_color;
void main() {
  vec2 d = gl_FragCoord.xy - u_resolution * vec2(0.5, 0.55);
  float r = 0.33 * u_resolution.y;
  if (dot(d, d) > r * r) discard;
  atomicCounterIncrement(u_count);
  float a = atan(d.y, d.x);
  frag_color = vec4(0.5 + 0.5 * cos(a * 3.0 + u_time), 0.4 + 0.3 * sin(length(d) * 0.1 - u_time * 2.0), 0.85, 1.0);
}
