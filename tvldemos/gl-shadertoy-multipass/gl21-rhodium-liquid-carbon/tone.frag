#version 120
// Second pass: a contrast curve, a cold tint in the shadows, a vignette.
varying vec2 v_uv;
uniform sampler2D u_channel0;
void main() {
  vec3 c = texture2D(u_channel0, v_uv).rgb;
  c = c * c * (3.0 - 2.0 * c);
  c = mix(vec3(0.02, 0.03, 0.06), c, 0.95);
  vec2 d = v_uv - 0.5;
  gl_FragColor = vec4(c * (1.0 - dot(d, d)), 1.0);
}
