#version 450
// The wall in its own space (where the light and the eye are given) and its
// texture coordinates; y turned over and z moved into 0..w for Vulkan.
layout(location = 0) in vec4 a_position;
layout(location = 2) in vec4 a_uv;
layout(push_constant) uniform Wall {
  mat4 mvp;
  vec4 light;
  vec4 eye;
} u;
layout(location = 0) out vec3 v_position;
layout(location = 1) out vec2 v_uv;
void main() {
  v_position = a_position.xyz;
  v_uv = a_uv.xy;
  vec4 p = u.mvp * vec4(a_position.xyz, 1.0);
  gl_Position = vec4(p.x, -p.y, 0.5 * (p.z + p.w), p.w);
}
