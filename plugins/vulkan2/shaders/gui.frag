#version 450
layout(location = 0) in In {
  vec4 Color;
  vec2 UV;
} inv;
layout(set = 0, binding = 0) uniform sampler2D sTexture;
layout(location = 0) out vec4 fColor;
void main() {
  fColor = inv.Color * texture(sTexture, inv.UV.st);
}
