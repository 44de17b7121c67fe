#version 120
// Cell shading: the diffuse term snapped to four bands, one flat highlight.
varying vec3 v_world;
varying vec3 v_normal;
uniform vec3 u_light_pos;
uniform vec3 u_eye;
void main() {
  vec3 n = normalize(v_normal);
  vec3 l = normalize(u_light_pos - v_world);
  vec3 v = normalize(u_eye - v_world);
  float band = floor(max(dot(n, l), 0.0) * 3.999) / 3.0;
  vec3 color = vec3(0.2, 0.75, 0.35) * (0.3 + 0.7 * band);
  if (pow(max(dot(reflect(-l, n), v), 0.0), 20.0) > 0.5) color = vec3(0.95, 1.0, 0.9);
  gl_FragColor = vec4(color, 1.0);
}
