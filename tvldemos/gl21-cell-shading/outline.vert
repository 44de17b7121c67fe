#version 120
// The ink line: back faces pushed out along the normal.
attribute vec3 a_position;
attribute vec3 a_normal;
uniform mat4 u_mvp;
void main() { gl_Position = u_mvp * vec4(a_position + a_normal * 0.035, 1.0); }
