#version 450
// Test triangle of the text overlay: positions already in clip space.
layout(location = 0) in vec4 vposition;
layout(location = 1) in vec4 vtexcoord;
layout(location = 2) in vec4 vnormal;
layout(location = 3) in vec4 vcolor;
layout(location = 0) out vec4 v_color;
void main() {
  gl_Position = vec4(vposition.xy, 0.0, 1.0);
  gl_Position.y = -gl_Position.y;
  gl_Position.z = (gl_Position.z + gl_Position.w) / 2.0;
  v_color = vcolor;
}
