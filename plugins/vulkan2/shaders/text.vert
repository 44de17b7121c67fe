#version 450
// Text overlay: glyph quads in window pixels, moved to clip space by the
// push constants (scale 2/size, translate -1,+1).
layout(location = 0) in vec4 vposition;
layout(location = 1) in vec4 vtexcoord;
layout(location = 3) in vec4 vcolor;
layout(push_constant) uniform uPushConstant {
  vec2 uScale;
  vec2 uTranslate;
} pc;
layout(location = 0) out vec4 v_color;
layout(location = 1) out vec4 v_texcoord;
void main() {
  gl_Position = vec4(vposition.xy * pc.uScale + pc.uTranslate, 0.0, 1.0);
  gl_Position.y = -gl_Position.y;
  gl_Position.z = (gl_Position.z + gl_Position.w) / 2.0;
  v_color = vcolor;
  v_texcoord = vtexcoord;
}
