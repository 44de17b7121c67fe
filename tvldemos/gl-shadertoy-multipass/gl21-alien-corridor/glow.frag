#version 120
// Second pass: the lamps bleed a soft glow into their surroundings.
varying vec2 v_uv;
uniform sampler2D u_channel0;
uniform vec2 u_resolution;
void main() {
  vec3 c = texture2D(u_channel0, v_uv).rgb;
  vec3 glow = vec3(0.0);
  for (int i = -3; i <= 3; ++i)
    for (int j = -3; j <= 3; ++j) {
      vec3 s = texture2D(u_channel0, v_uv + vec2(float(i), float(j)) * 3.0 / u_resolution).rgb;
      glow += max(s - 0.5, 0.0);
    }
  gl_FragColor = vec4(c + glow / 20.0, 1.0);
}
