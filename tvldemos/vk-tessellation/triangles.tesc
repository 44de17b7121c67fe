#version 400
layout(vertices = 3) out;
in vec3 vc_position[];
out vec3 tc_position[];
uniform float u_level;
void main() {
  tc_position[gl_InvocationID] = vc_position[gl_InvocationID];
  if (gl_InvocationID == 0) {
    gl_TessLevelInner[0] = u_level;
    gl_TessLevelOuter[0] = u_level;
    gl_TessLevelOuter[1] = u_level;
    gl_TessLevelOuter[2] = u_level;
  }
}
