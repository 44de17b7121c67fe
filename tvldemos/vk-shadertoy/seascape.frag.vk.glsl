#version 450
// An ocean at dusk: a height field of crossing swells ray-marched from a
// camera gliding over it, reflecting a low sun, hazy at the horizon.
layout(push_constant) uniform Pass {
  vec4 mouse;
  vec2 resolution;
  float time;
} u;
layout(location = 0) out vec4 frag_color;

float swell(vec2 p) {
  float h = 0.0, amp = 0.55;
  mat2 turn = mat2(1.4, 1.1, -1.1, 1.4);
  for (int i = 0; i < 4; ++i) {
    vec2 q = p + vec2(u.time * (0.5 + 0.25 * float(i)), 0.3 * float(i));
    h += amp * pow(1.0 - abs(sin(q.x + 0.6 * sin(q.y))), 1.5);
    p = turn * p;
    amp *= 0.42;
  }
  return h * 0.55;
}

vec3 sky(vec3 rd) {
  float y = max(rd.y, 0.0);
  vec3 c = mix(vec3(0.95, 0.6, 0.4), vec3(0.2, 0.25, 0.55), pow(y, 0.5));
  return c + vec3(1.0, 0.7, 0.4) * pow(max(dot(rd, normalize(vec3(-0.3, 0.12, -1.0))), 0.0), 80.0);
}

void main() {
  vec2 frag = vec2(gl_FragCoord.x, u.resolution.y - gl_FragCoord.y);
  vec2 p = (2.0 * frag - u.resolution) / u.resolution.y;
  vec3 ro = vec3(0.5 * sin(u.time * 0.2), 2.0, -u.time * 1.2);
  vec3 rd = normalize(vec3(p.x, p.y - 0.25, -1.5));
  if (rd.y > 0.0) {
    frag_color = vec4(sky(rd), 1.0);
    return;
  }
  float t = 0.0;
  for (int i = 0; i < 48; ++i) {
    vec3 q = ro + rd * t;
    float h = q.y - swell(q.xz * 0.55);
    if (h < 0.01 || t > 60.0) break;
    t += h * 0.8;
  }
  vec3 q = ro + rd * t;
  vec2 e = vec2(0.02, 0.0);
  vec3 n = normalize(vec3(swell((q.xz - e.xy) * 0.55) - swell((q.xz + e.xy) * 0.55), 2.0 * e.x,
                          swell((q.xz - e.yx) * 0.55) - swell((q.xz + e.yx) * 0.55)));
  float fresnel = pow(1.0 - max(dot(n, -rd), 0.0), 3.0);
  vec3 water = vec3(0.02, 0.1, 0.16) + vec3(0.08, 0.2, 0.18) * max(q.y, 0.0);
  vec3 c = mix(water, sky(reflect(rd, n)), clamp(fresnel * 0.8, 0.0, 1.0));
  c = mix(c, sky(rd), clamp(t / 60.0, 0.0, 1.0));
  frag_color = vec4(pow(c, vec3(0.85)), 1.0);
}
