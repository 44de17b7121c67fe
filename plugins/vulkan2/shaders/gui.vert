#version 450
// GUI overlay: Dear ImGui vertices (position, UV, packed colour).
layout(location = 0) in vec2 aPos;
layout(location = 1) in vec2 aUV;
layout(location = 2) in vec4 aColor;
layout(push_constant) uniform uPushConstant {
  vec2 uScale;
  vec2 uTranslate;
} pc;
layout(location = 0) out Out {
  vec4 Color;
  vec2 UV;
} outv;
void main() {
  outv.Color = aColor;
  outv.UV = aUV;
  gl_Position = vec4(aPos * pc.uScale + pc.uTranslate, 0.0, 1.0);
}
