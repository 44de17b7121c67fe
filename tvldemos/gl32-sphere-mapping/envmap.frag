#version 150
// Mirror finish: the reflected view ray looks the environment up in a
// sphere map; a little diffuse keeps the shape readable.
in vec3 v_world;
in vec3 v_normal;
uniform vec3 u_eye;
uniform vec3 u_light_pos;
uniform sampler2D u_env;
out vec4 frag_color;
void main() {
  vec3 n = normalize(v_normal);
  vec3 r = reflect(normalize(v_world - u_eye), n);
  float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
  vec3 env = texture(u_env, r.xy / m + 0.5).rgb;
  float diffuse = max(dot(n, normalize(u_light_pos - v_world)), 0.0);
  frag_color = vec4(env * (0.75 + 0.25 * diffuse), 1.0);
}
