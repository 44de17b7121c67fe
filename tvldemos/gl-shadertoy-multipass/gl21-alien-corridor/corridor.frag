#version 120
// Flying down a ribbed organic corridor lit by green lamps.
varying vec2 v_uv;
uniform float u_time;
uniform vec2 u_resolution;

float tunnel(vec3 p) {
  vec2 q = p.xy + vec2(sin(p.z * 0.4), cos(p.z * 0.3)) * 0.4;
  float wall = 1.2 - length(q * vec2(1.0, 1.25)) + 0.08 * sin(atan(q.y, q.x) * 8.0);
  float ribs = 0.12 * smoothstep(0.6, 1.0, sin(p.z * 3.0));
  return wall - ribs;
}

void main() {
  vec2 p = (2.0 * gl_FragCoord.xy - u_resolution) / u_resolution.y;
  float z = u_time * 2.0;
  vec3 ro = vec3(-sin(z * 0.4) * 0.4, -cos(z * 0.3) * 0.4, z);
  vec3 rd = normalize(vec3(p, 1.5));
  float t = 0.0;
  for (int i = 0; i < 48; ++i) {
    float d = tunnel(ro + rd * t);
    if (d < 0.003 || t > 20.0) break;
    t += d * 0.7;
  }
  vec3 q = ro + rd * t;
  vec2 e = vec2(0.01, 0.0);
  vec3 n = normalize(vec3(tunnel(q + e.xyy) - tunnel(q - e.xyy), tunnel(q + e.yxy) - tunnel(q - e.yxy),
                          tunnel(q + e.yyx) - tunnel(q - e.yyx)));
  float lamp = pow(0.5 + 0.5 * sin(q.z * 1.5), 8.0);
  vec3 flesh = mix(vec3(0.25, 0.2, 0.3), vec3(0.45, 0.4, 0.35), 0.5 + 0.5 * sin(q.z * 3.0));
  vec3 c = flesh * (0.2 + 0.8 * max(dot(n, -rd), 0.0)) + vec3(0.2, 1.0, 0.4) * lamp;
  c *= exp(-0.12 * t);
  gl_FragColor = vec4(c, 1.0);
}
