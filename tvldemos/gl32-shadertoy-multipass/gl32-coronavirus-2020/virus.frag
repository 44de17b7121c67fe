#version 150
// A turning sphere crowned with spikes, ray-marched over a dark red field.
in vec2 v_uv;
uniform float u_time;
uniform vec2 u_resolution;
out vec4 frag_color;

mat3 turn(float a) {
  float c = cos(a), s = sin(a);
  return mat3(c, 0.0, s, 0.0, 1.0, 0.0, -s, 0.0, c) * mat3(1.0, 0.0, 0.0, 0.0, c, -s * 0.5, 0.0, s * 0.5, c);
}

float spikes(vec3 n) { return pow(max(sin(n.x * 9.0) * sin(n.y * 9.0) * sin(n.z * 9.0), 0.0), 2.0); }

float field(vec3 p) {
  p = turn(u_time * 0.5) * p;
  return length(p) - 1.0 - 0.35 * spikes(normalize(p));
}

void main() {
  vec2 p = (2.0 * gl_FragCoord.xy - u_resolution) / u_resolution.y;
  vec3 ro = vec3(0.0, 0.0, 3.2), rd = normalize(vec3(p, -1.8));
  vec3 c = mix(vec3(0.25, 0.02, 0.04), vec3(0.05, 0.0, 0.02), length(p) * 0.7);
  float t = 0.0;
  for (int i = 0; i < 56; ++i) {
    float d = field(ro + rd * t);
    if (d < 0.002) {
      vec3 q = ro + rd * t;
      vec2 e = vec2(0.003, 0.0);
      vec3 n = normalize(vec3(field(q + e.xyy) - field(q - e.xyy), field(q + e.yxy) - field(q - e.yxy),
                              field(q + e.yyx) - field(q - e.yyx)));
      float spike = spikes(normalize(turn(u_time * 0.5) * q));
      vec3 base = mix(vec3(0.55, 0.6, 0.7), vec3(0.9, 0.15, 0.1), clamp(spike * 3.0, 0.0, 1.0));
      float light = max(dot(n, normalize(vec3(0.6, 0.7, 0.8))), 0.0);
      float rim = pow(1.0 - max(dot(n, -rd), 0.0), 3.0);
      c = base * (0.2 + 0.8 * light) + vec3(1.0, 0.4, 0.3) * rim * 0.6;
      break;
    }
    t += d * 0.5;
    if (t > 8.0) break;
  }
  frag_color = vec4(c, 1.0);
}
