#version 450
// A unit quad placed at the rectangle of this draw call (clip coordinates,
// y up as in OpenGL, turned over for Vulkan).
layout(location = 0) in vec4 a_position;
layout(push_constant) uniform Rect {
  vec4 rect;
  vec4 color;
} u;
void main() {
  vec2 p = u.rect.xy + a_position.xy * u.rect.zw;
  gl_Position = vec4(p.x, -p.y, 0.5, 1.0);
}
