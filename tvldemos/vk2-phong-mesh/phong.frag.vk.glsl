#version 450
// Phong: ambient, diffuse and a white highlight from one point light on the
// left, seen from the camera in front of the torus.
layout(location = 0) in vec3 v_world;
layout(location = 1) in vec3 v_normal;
layout(location = 0) out vec4 frag_color;
const vec3 kLight = vec3(-6.0, 1.0, 1.5);
const vec3 kEye = vec3(0.0, 0.0, 4.2);
void main() {
  vec3 n = normalize(v_normal);
  vec3 l = normalize(kLight - v_world);
  vec3 v = normalize(kEye - v_world);
  float diffuse = max(dot(n, l), 0.0);
  float specular = diffuse > 0.0 ? pow(max(dot(reflect(-l, n), v), 0.0), 32.0) : 0.0;
  vec3 base = vec3(0.25, 0.55, 0.9);
  frag_color = vec4(base * (0.05 + 0.95 * diffuse) + vec3(0.8) * specular, 1.0);
}
