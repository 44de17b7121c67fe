#version 450
// One shader over every kind of binding: a uniform block, a storage buffer
// that the tinted draw fills (every fragment writes the same values), two
// textures of a descriptor array and push constants that choose what a draw
// shows.
layout(location = 0) in vec4 v_color;
layout(location = 1) in vec2 v_uv;
layout(location = 0) out vec4 out_color;
layout(binding = 0) uniform Tint { vec4 tint; uint base; } u_tint;
layout(binding = 1) buffer Results { uint values[16]; } b_results;
layout(binding = 2) uniform sampler2D u_textures[2];
layout(push_constant) uniform Push { vec4 color; uint mode; } p;
void main() {
  if (p.mode == 0u) {
    out_color = p.color;
  } else if (p.mode == 1u) {
    out_color = u_tint.tint;
  } else {
    out_color = v_uv.x < 0.5 ? texture(u_textures[0], vec2(0.5)) : texture(u_textures[1], vec2(0.5));
  }
  if (p.mode == 1u) {
    for (uint i = 0u; i < 16u; ++i) b_results.values[i] = i * i + u_tint.base;
  }
}
