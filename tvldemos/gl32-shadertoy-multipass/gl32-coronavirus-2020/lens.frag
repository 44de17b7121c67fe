#version 150
// Second pass: colour fringes growing towards the edges and a vignette.
in vec2 v_uv;
uniform sampler2D u_channel0;
out vec4 frag_color;
void main() {
  vec2 d = v_uv - 0.5;
  float r = texture(u_channel0, v_uv + d * 0.012).r;
  float g = texture(u_channel0, v_uv).g;
  float b = texture(u_channel0, v_uv - d * 0.012).b;
  frag_color = vec4(vec3(r, g, b) * (1.0 - dot(d, d) * 1.2), 1.0);
}
