#version 450
// Phong with a cool tint and a rim, from SPIR-V.
layout(location = 0) in vec3 v_world;
layout(location = 1) in vec3 v_normal;
layout(location = 2) uniform vec3 u_light_pos;
layout(location = 3) uniform vec3 u_eye;
layout(location = 0) out vec4 frag_color;
void main() {
  vec3 n = normalize(v_normal);
  vec3 l = normalize(u_light_pos - v_world);
  vec3 v = normalize(u_eye - v_world);
  float diffuse = max(dot(n, l), 0.0);
  float specular = diffuse > 0.0 ? pow(max(dot(reflect(-l, n), v), 0.0), 32.0) : 0.0;
  vec3 base = vec3(0.25, 0.6, 0.95);
  frag_color = vec4(base * (0.05 + 0.95 * diffuse) + vec3(0.8) * specular, 1.0);
}
