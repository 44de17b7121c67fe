#version 450
// The post-processing pass: every pixel averages the render target along
// its ray towards the centre, so the picture smears outwards.
layout(binding = 0) uniform sampler2D u_scene;
layout(push_constant) uniform Pass {
  vec4 mouse;
  vec2 resolution;
  float time;
} u;
layout(location = 0) out vec4 frag_color;
void main() {
  vec2 d = gl_FragCoord.xy / u.resolution - 0.5;
  vec3 sum = vec3(0.0);
  for (int i = 0; i < 24; ++i) sum += texture(u_scene, 0.5 + d * (1.0 - 0.3 * float(i) / 24.0)).rgb;
  frag_color = vec4(sum / 24.0, 1.0);
}
