#version 150
// One rectangle per draw call: corner and size in window coordinates, then
// its colour, set together with one call.
in vec2 a_position;
uniform vec4 u_rect[2];
out vec4 v_color;
void main() {
  v_color = u_rect[1];
  gl_Position = vec4(u_rect[0].xy + a_position * u_rect[0].zw, 0.0, 1.0);
}
