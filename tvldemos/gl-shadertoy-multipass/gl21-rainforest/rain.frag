#version 120
// Second pass: slanted rain streaks over the forest, slightly darkening it.
varying vec2 v_uv;
uniform sampler2D u_channel0;
uniform float u_time;
uniform vec2 u_resolution;
float hash(vec2 p) { return fract(sin(dot(p, vec2(41.3, 289.1))) * 45758.5); }
void main() {
  vec3 c = texture2D(u_channel0, v_uv).rgb * 0.9;
  vec2 p = gl_FragCoord.xy / u_resolution.y * vec2(60.0, 6.0);
  p.x += p.y * 1.5;
  p.y += u_time * 8.0;
  vec2 cell = floor(p);
  float drop = step(0.92, hash(cell)) * smoothstep(0.0, 0.1, fract(p.x)) * (1.0 - smoothstep(0.2, 0.3, fract(p.x)));
  gl_FragColor = vec4(mix(c, vec3(0.85, 0.9, 0.95), drop * fract(p.y) * 0.6), 1.0);
}
