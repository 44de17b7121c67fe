#version 150
// One cube per instance: its grid cell, spin and colour come from the
// instance number.
in vec3 a_position;
in vec3 a_normal;
uniform vec2 u_grid;
uniform float u_time;
out vec3 v_color;
mat3 spin(vec3 axis, float a) {
  float c = cos(a), s = sin(a), t = 1.0 - c;
  return mat3(t * axis.x * axis.x + c, t * axis.x * axis.y + s * axis.z, t * axis.x * axis.z - s * axis.y,
              t * axis.x * axis.y - s * axis.z, t * axis.y * axis.y + c, t * axis.y * axis.z + s * axis.x,
              t * axis.x * axis.z + s * axis.y, t * axis.y * axis.z - s * axis.x, t * axis.z * axis.z + c);
}
void main() {
  float id = float(gl_InstanceID);
  vec2 cell = vec2(mod(id, u_grid.x), floor(id / u_grid.x));
  vec2 size = 2.0 / u_grid;
  vec2 center = -1.0 + size * (cell + 0.5);
  mat3 r = spin(normalize(vec3(1.0, 0.5 + 0.1 * cell.x, 0.3 + 0.1 * cell.y)), u_time * 1.2 + id * 0.37);
  vec3 p = r * a_position;
  vec3 n = r * a_normal;
  vec3 hue = 0.55 + 0.45 * cos(6.2832 * (id / (u_grid.x * u_grid.y)) + vec3(0.0, 2.1, 4.2));
  v_color = hue * (0.35 + 0.65 * max(dot(n, normalize(vec3(-0.4, 0.6, 0.7))), 0.0));
  gl_Position = vec4(center + p.xy * size * 0.22, p.z * 0.1, 1.0);
}
