#version 450
// The colour of this draw call.
layout(push_constant) uniform Rect {
  vec4 rect;
  vec4 color;
} u;
layout(location = 0) out vec4 frag_color;
void main() { frag_color = u.color; }
