#version 450
// Vertices of the plug-in's layout: four vec4 attributes a vertex.
layout(location = 0) in vec4 a_position;
layout(location = 1) in vec4 a_color;
layout(location = 2) in vec4 a_uv;
layout(location = 3) in vec4 a_extra;
layout(location = 0) out vec4 v_color;
layout(location = 1) out vec2 v_uv;
void main() {
  v_color = a_color;
  v_uv = a_uv.xy;
  gl_Position = vec4(a_position.xyz, 1.0);
}
