#version 400
// The square raised into rolling hills: the finer the level, the rounder.
layout(quads, fractional_odd_spacing, ccw) in;
in vec3 tc_position[];
uniform mat4 u_mvp;
uniform float u_time;
out vec3 te_color;
void main() {
  vec2 t = gl_TessCoord.xy;
  vec3 p = mix(mix(tc_position[0], tc_position[1], t.x), mix(tc_position[3], tc_position[2], t.x), t.y);
  float h = 0.18 * sin(p.x * 4.0 + u_time) * cos(p.y * 3.0 - u_time * 0.7) + 0.07 * sin(p.x * 9.0 + p.y * 7.0);
  p.z += h;
  te_color = mix(vec3(0.15, 0.45, 0.2), vec3(0.95, 0.9, 0.7), clamp(h * 3.0 + 0.5, 0.0, 1.0));
  gl_Position = u_mvp * vec4(p, 1.0);
}
