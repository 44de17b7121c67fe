#version 120
// Second pass: every pixel averages the scene along its ray towards the
// centre, so the picture smears outwards.
varying vec2 v_uv;
uniform sampler2D u_channel0;
void main() {
  vec2 d = v_uv - 0.5;
  vec3 sum = vec3(0.0);
  for (int i = 0; i < 24; ++i) sum += texture2D(u_channel0, 0.5 + d * (1.0 - 0.3 * float(i) / 24.0)).rgb;
  gl_FragColor = vec4(sum / 24.0, 1.0);
}
