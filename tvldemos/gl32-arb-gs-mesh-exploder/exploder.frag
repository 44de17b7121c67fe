#version 150
in vec3 v_world;
in vec3 v_normal;
in float v_spark;
uniform vec3 u_light_pos;
out vec4 frag_color;
void main() {
  vec3 n = normalize(v_normal);
  float diffuse = max(dot(n, normalize(u_light_pos - v_world)), 0.0);
  vec3 cool = vec3(0.3, 0.5, 0.9), hot = vec3(1.0, 0.55, 0.1);
  vec3 base = mix(cool, hot, clamp(v_spark * 2.0, 0.0, 1.0));
  frag_color = vec4(base * (0.15 + 0.85 * diffuse) + 0.15 * (n * 0.5 + 0.5), 1.0);
}
