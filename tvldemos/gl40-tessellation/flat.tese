#version 400
// A flat square, gently rocking.
layout(quads, equal_spacing, ccw) in;
in vec3 tc_position[];
uniform mat4 u_mvp;
uniform float u_time;
out vec3 te_color;
void main() {
  vec2 t = gl_TessCoord.xy;
  vec3 p = mix(mix(tc_position[0], tc_position[1], t.x), mix(tc_position[3], tc_position[2], t.x), t.y);
  p.z += 0.08 * sin(u_time) * p.x;
  te_color = vec3(0.3 + 0.7 * t.x, 0.9, 0.3 + 0.7 * t.y);
  gl_Position = u_mvp * vec4(p, 1.0);
}
