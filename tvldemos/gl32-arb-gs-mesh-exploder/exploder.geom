#version 150
// Every triangle flies out along its own normal and back, each at its own pace.
layout(triangles) in;
layout(triangle_strip, max_vertices = 3) out;
in vec3 g_position[];
in vec3 g_normal[];
uniform mat4 u_mvp;
uniform mat4 u_model;
uniform float u_time;
out vec3 v_world;
out vec3 v_normal;
out float v_spark;
void main() {
  vec3 face = normalize(cross(g_position[1] - g_position[0], g_position[2] - g_position[0]));
  float seed = fract(sin(float(gl_PrimitiveIDIn) * 12.9898) * 43758.5453);
  float push = 0.6 * max(0.0, sin(u_time * 1.3 + seed * 2.0)) * (0.4 + seed);
  for (int i = 0; i < 3; ++i) {
    vec3 p = g_position[i] + face * push;
    v_world = (u_model * vec4(p, 1.0)).xyz;
    v_normal = mat3(u_model) * g_normal[i];
    v_spark = push;
    gl_Position = u_mvp * vec4(p, 1.0);
    EmitVertex();
  }
  EndPrimitive();
}
