#version 450
// Text overlay: the font texture holds coverage in its red channel.
layout(location = 0) in vec4 v_color;
layout(location = 1) in vec4 v_texcoord;
layout(set = 0, binding = 0) uniform sampler2D tex;
layout(location = 0) out vec4 FragColor;
void main() {
  FragColor = v_color * texture(tex, v_texcoord.xy).r;
}
