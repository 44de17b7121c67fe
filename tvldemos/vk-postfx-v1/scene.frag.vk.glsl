#version 450
// The scene drawn into the render target: a turning rosette of coloured
// panes, sharp both along and across the rays from its centre.
layout(push_constant) uniform Pass {
  vec4 mouse;
  vec2 resolution;
  float time;
} u;
layout(location = 0) out vec4 frag_color;
void main() {
  vec2 frag = vec2(gl_FragCoord.x, u.resolution.y - gl_FragCoord.y);
  vec2 p = (2.0 * frag - u.resolution) / u.resolution.y;
  float a = atan(p.y, p.x) - u.time * 0.25;
  float r = length(p);
  float pane = floor(a * 10.0 / 6.2832);
  float ring = floor(r * 5.0 + u.time * 0.4);
  vec3 hue = 0.5 + 0.5 * cos(pane * 1.1 + ring * 0.9 + vec3(0.0, 2.0, 4.0));
  frag_color = vec4(mix(hue * 0.2, hue, mod(pane + ring, 2.0)), 1.0);
}
