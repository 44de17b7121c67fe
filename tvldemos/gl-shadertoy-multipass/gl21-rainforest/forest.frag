#version 120
// Layers of tree crowns fading into mist, drifting at their own speeds.
varying vec2 v_uv;
uniform float u_time;
uniform vec2 u_resolution;

float crowns(float x, float seed) {
  float h = 0.0;
  h += 0.10 * sin(x * 7.0 + seed) + 0.06 * sin(x * 17.0 + seed * 3.0) + 0.03 * sin(x * 41.0 + seed * 7.0);
  return h + 0.04 * abs(sin(x * 29.0 + seed));
}

void main() {
  vec2 uv = v_uv;
  vec3 c = mix(vec3(0.75, 0.82, 0.8), vec3(0.35, 0.5, 0.55), uv.y);
  for (int i = 0; i < 5; ++i) {
    float layer = float(i);
    float depth = 1.0 - layer / 5.0;
    float x = uv.x * (1.0 + layer * 0.3) + u_time * 0.02 * (layer + 1.0);
    float top = 0.75 - layer * 0.13 + crowns(x, layer * 1.7);
    if (uv.y < top) {
      vec3 leaf = mix(vec3(0.05, 0.18, 0.08), vec3(0.2, 0.45, 0.2), 0.5 + 0.5 * sin(x * 60.0 + uv.y * 40.0));
      c = mix(leaf, vec3(0.6, 0.7, 0.68), depth * 0.75);
    }
  }
  gl_FragColor = vec4(c, 1.0);
}
