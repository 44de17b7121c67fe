#version 150
// One rectangle per draw call: corner and size in window coordinates.
in vec2 a_position;
uniform vec4 u_rect;
void main() { gl_Position = vec4(u_rect.xy + a_position * u_rect.zw, 0.0, 1.0); }
