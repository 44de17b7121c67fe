#version 150
// Phong: ambient, diffuse and a white highlight from one point light.
in vec3 v_world;
in vec3 v_normal;
uniform vec3 u_light_pos;
uniform vec3 u_eye;
out vec4 frag_color;
void main() {
  vec3 n = normalize(v_normal);
  vec3 l = normalize(u_light_pos - v_world);
  vec3 v = normalize(u_eye - v_world);
  float diffuse = max(dot(n, l), 0.0);
  float specular = diffuse > 0.0 ? pow(max(dot(reflect(-l, n), v), 0.0), 24.0) : 0.0;
  vec3 base = vec3(0.9, 0.42, 0.18);
  frag_color = vec4(base * (0.06 + 0.94 * diffuse) + vec3(0.7) * specular, 1.0);
}
