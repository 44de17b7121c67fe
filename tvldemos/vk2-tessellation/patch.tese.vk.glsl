#version 450
// The triangle domed towards the viewer and breathing slowly; y is turned
// over and z moved into 0..w for Vulkan's clip space.
layout(triangles, equal_spacing, ccw) in;
layout(location = 0) in vec3 tc_position[];
layout(location = 0) out vec3 te_color;
layout(push_constant) uniform Patch {
  mat4 mvp;
  float level;
  float time;
} u;
void main() {
  vec3 b = gl_TessCoord;
  vec3 p = b.x * tc_position[0] + b.y * tc_position[1] + b.z * tc_position[2];
  p.z += (0.45 + 0.1 * sin(u.time * 0.7)) * b.x * b.y * b.z * 2.5;
  te_color = vec3(0.3 + 0.7 * b.x, 0.3 + 0.7 * b.y, 0.4 + 0.6 * b.z);
  vec4 c = u.mvp * vec4(p, 1.0);
  gl_Position = vec4(c.x, -c.y, 0.5 * (c.z + c.w), c.w);
}
