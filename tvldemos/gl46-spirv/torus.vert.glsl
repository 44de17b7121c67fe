#version 450
// Compiled to SPIR-V for OpenGL at build time; uniforms sit at fixed locations.
layout(location = 0) in vec3 a_position;
layout(location = 1) in vec3 a_normal;
layout(location = 0) uniform mat4 u_mvp;
layout(location = 1) uniform mat4 u_model;
layout(location = 0) out vec3 v_world;
layout(location = 1) out vec3 v_normal;
void main() {
  v_world = (u_model * vec4(a_position, 1.0)).xyz;
  v_normal = mat3(u_model) * a_normal;
  gl_Position = u_mvp * vec4(a_position, 1.0);
}
