#version 450
// A mechanical-looking surface: riveted steel plates with turning gears set
// into them, lit from the top left, with a warm light sweeping across.
layout(push_constant) uniform Pass {
  vec4 mouse;
  vec2 resolution;
  float time;
} u;
layout(location = 0) out vec4 frag_color;

const float kTau = 6.2831853;

// Height of a gear with n teeth at p (gear centred at 0, radius r).
float gear(vec2 p, float r, float n, float turn) {
  float a = atan(p.y, p.x) + turn;
  float teeth = smoothstep(-0.2, 0.2, sin(a * n)) * 0.12 * r;
  float d = length(p);
  float body = 1.0 - smoothstep(r + teeth - 0.01, r + teeth + 0.01, d);
  float hub = smoothstep(0.18 * r, 0.2 * r, d);
  float spokes = step(0.55 * r, d) + step(0.0, cos(a * 5.0));
  return body * hub * min(spokes, 1.0);
}

float height(vec2 p) {
  // Plates with seams and rivets.
  vec2 cell = fract(p * 1.5) - 0.5;
  float seam = smoothstep(0.47, 0.5, max(abs(cell.x), abs(cell.y)));
  vec2 rivet = abs(cell) - 0.4;
  float rivets = 1.0 - smoothstep(0.02, 0.035, length(rivet));
  float h = 0.3 - 0.2 * seam + 0.15 * rivets;
  // Two meshing gears.
  h = max(h, 0.6 * gear(p - vec2(-0.45, 0.05), 0.42, 12.0, u.time * 0.8));
  h = max(h, 0.6 * gear(p - vec2(0.42, -0.08), 0.34, 10.0, -u.time * 0.96 + 0.3));
  return h;
}

void main() {
  vec2 frag = vec2(gl_FragCoord.x, u.resolution.y - gl_FragCoord.y);
  vec2 p = (2.0 * frag - u.resolution) / u.resolution.y;
  vec2 e = vec2(1.5 / u.resolution.y, 0.0);
  vec3 n = normalize(vec3(height(p - e.xy) - height(p + e.xy), height(p - e.yx) - height(p + e.yx), 2.0 * e.x * 4.0));
  float h = height(p);
  vec3 l = normalize(vec3(-0.5, 0.6, 0.7));
  vec3 steel = mix(vec3(0.32, 0.34, 0.38), vec3(0.62, 0.58, 0.5), h);
  float diffuse = max(dot(n, l), 0.0);
  float specular = pow(max(dot(reflect(-l, n), vec3(0.0, 0.0, 1.0)), 0.0), 24.0);
  vec2 sweep = vec2(cos(u.time * 0.6), sin(u.time * 0.4)) * 0.8;
  float glow = exp(-4.0 * dot(p - sweep, p - sweep));
  vec3 c = steel * (0.25 + 0.75 * diffuse) + vec3(0.9) * specular + vec3(0.5, 0.25, 0.05) * glow;
  frag_color = vec4(pow(c, vec3(0.9)), 1.0);
}
