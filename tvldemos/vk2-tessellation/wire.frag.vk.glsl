#version 450
// Only about a pixel along each small triangle's edges is drawn: wires.
layout(location = 0) in vec3 g_color;
layout(location = 1) in vec3 g_weights;
layout(location = 0) out vec4 frag_color;
void main() {
  vec3 near = step(g_weights, fwidth(g_weights) * 1.2);
  if (max(near.x, max(near.y, near.z)) < 0.5) discard;
  frag_color = vec4(g_color, 1.0);
}
