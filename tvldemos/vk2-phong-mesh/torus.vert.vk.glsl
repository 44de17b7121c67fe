#version 450
// Torus vertex: world position and normal for per-pixel lighting. The
// matrices are OpenGL's: y is turned over and z moved into 0..w.
layout(location = 0) in vec4 a_position;
layout(location = 1) in vec4 a_normal;
layout(push_constant) uniform Torus {
  mat4 mvp;
  mat4 model;
} u;
layout(location = 0) out vec3 v_world;
layout(location = 1) out vec3 v_normal;
void main() {
  v_world = (u.model * vec4(a_position.xyz, 1.0)).xyz;
  v_normal = mat3(u.model) * a_normal.xyz;
  vec4 p = u.mvp * vec4(a_position.xyz, 1.0);
  gl_Position = vec4(p.x, -p.y, 0.5 * (p.z + p.w), p.w);
}
