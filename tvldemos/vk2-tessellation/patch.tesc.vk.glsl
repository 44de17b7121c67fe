#version 450
// Every edge and the inside split at the level the mouse chose.
layout(vertices = 3) out;
layout(location = 0) in vec3 vc_position[];
layout(location = 0) out vec3 tc_position[];
layout(push_constant) uniform Patch {
  mat4 mvp;
  float level;
  float time;
} u;
void main() {
  tc_position[gl_InvocationID] = vc_position[gl_InvocationID];
  if (gl_InvocationID == 0) {
    gl_TessLevelInner[0] = u.level;
    gl_TessLevelOuter[0] = u.level;
    gl_TessLevelOuter[1] = u.level;
    gl_TessLevelOuter[2] = u.level;
  }
}
