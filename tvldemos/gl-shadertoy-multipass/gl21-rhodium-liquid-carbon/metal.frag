#version 120
// Blobs of liquid metal merging and parting, mirroring a banded studio.
varying vec2 v_uv;
uniform float u_time;
uniform vec2 u_resolution;

float blend(float a, float b, float k) {
  float h = clamp(0.5 + 0.5 * (b - a) / k, 0.0, 1.0);
  return mix(b, a, h) - k * h * (1.0 - h);
}

float field(vec3 p) {
  float d = length(p) - 0.7;
  for (int i = 0; i < 3; ++i) {
    float f = float(i) * 2.1 + u_time * (0.7 + 0.2 * float(i));
    vec3 c = vec3(sin(f) * 0.9, cos(f * 1.3) * 0.5, sin(f * 0.7) * 0.4);
    d = blend(d, length(p - c) - 0.4, 0.45);
  }
  return d;
}

vec3 studio(vec3 r) {
  float band = smoothstep(0.1, 0.2, abs(fract(r.y * 2.5 + 0.1 * r.x) - 0.5));
  return mix(vec3(0.95, 0.9, 0.85), vec3(0.08, 0.09, 0.12), band) + vec3(0.2, 0.25, 0.35) * max(r.z, 0.0);
}

void main() {
  vec2 p = (2.0 * gl_FragCoord.xy - u_resolution) / u_resolution.y;
  vec3 ro = vec3(0.0, 0.0, 3.0), rd = normalize(vec3(p, -1.7));
  vec3 c = vec3(0.06, 0.06, 0.08) + 0.05 * p.y;
  float t = 0.0;
  for (int i = 0; i < 48; ++i) {
    float d = field(ro + rd * t);
    if (d < 0.002) {
      vec3 q = ro + rd * t;
      vec2 e = vec2(0.003, 0.0);
      vec3 n = normalize(vec3(field(q + e.xyy) - field(q - e.xyy), field(q + e.yxy) - field(q - e.yxy),
                              field(q + e.yyx) - field(q - e.yyx)));
      c = studio(reflect(rd, n)) * vec3(0.85, 0.87, 0.92);
      break;
    }
    t += d * 0.8;
    if (t > 7.0) break;
  }
  gl_FragColor = vec4(c, 1.0);
}
