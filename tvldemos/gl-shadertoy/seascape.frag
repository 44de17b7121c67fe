#version 150
// An ocean: a height field of crossing swells, ray-marched from a camera
// gliding over it, with sky reflection and haze towards the horizon.
in vec2 v_uv;
uniform float u_time;
uniform vec2 u_resolution;
out vec4 frag_color;

float swell(vec2 p) {
  float h = 0.0, amp = 0.5;
  mat2 turn = mat2(1.6, 1.2, -1.2, 1.6);
  for (int i = 0; i < 4; ++i) {
    vec2 q = p + vec2(u_time * (0.6 + 0.2 * float(i)), 0.0);
    h += amp * (1.0 - abs(sin(q.x + 0.5 * sin(q.y))));
    p = turn * p;
    amp *= 0.4;
  }
  return h * 0.6;
}

vec3 sky(vec3 rd) {
  float y = max(rd.y, 0.0);
  vec3 c = mix(vec3(0.8, 0.85, 0.9), vec3(0.15, 0.4, 0.8), pow(y, 0.6));
  return c + vec3(1.0, 0.8, 0.5) * pow(max(dot(rd, normalize(vec3(0.2, 0.3, -1.0))), 0.0), 120.0);
}

void main() {
  vec2 p = (2.0 * gl_FragCoord.xy - u_resolution) / u_resolution.y;
  vec3 ro = vec3(0.0, 2.2, -u_time * 1.5);
  vec3 rd = normalize(vec3(p.x, p.y - 0.3, -1.6));
  if (rd.y > 0.0) {
    frag_color = vec4(sky(rd), 1.0);
    return;
  }
  float t = 0.0;
  for (int i = 0; i < 48; ++i) {
    vec3 q = ro + rd * t;
    float h = q.y - swell(q.xz * 0.6);
    if (h < 0.01 || t > 60.0) break;
    t += h * 0.8;
  }
  vec3 q = ro + rd * t;
  vec2 e = vec2(0.02, 0.0);
  vec3 n = normalize(vec3(swell((q.xz - e.xy) * 0.6) - swell((q.xz + e.xy) * 0.6), 2.0 * e.x,
                          swell((q.xz - e.yx) * 0.6) - swell((q.xz + e.yx) * 0.6)));
  float fresnel = pow(1.0 - max(dot(n, -rd), 0.0), 3.0);
  vec3 water = vec3(0.0, 0.12, 0.18) + vec3(0.1, 0.25, 0.2) * max(q.y, 0.0);
  vec3 c = mix(water, sky(reflect(rd, n)), clamp(fresnel * 0.7, 0.0, 1.0));
  c = mix(c, sky(rd), clamp(t / 60.0, 0.0, 1.0));
  frag_color = vec4(pow(c, vec3(0.85)), 1.0);
}
