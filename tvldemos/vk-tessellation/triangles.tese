#version 400
// A triangle bulged towards the viewer like a shield.
layout(triangles, equal_spacing, ccw) in;
in vec3 tc_position[];
uniform mat4 u_mvp;
uniform float u_time;
out vec3 te_color;
void main() {
  vec3 b = gl_TessCoord;
  vec3 p = b.x * tc_position[0] + b.y * tc_position[1] + b.z * tc_position[2];
  p.z += (0.5 + 0.1 * sin(u_time)) * b.x * b.y * b.z * 9.0 * 0.25;
  te_color = b * 0.8 + 0.2;
  gl_Position = u_mvp * vec4(p, 1.0);
}
