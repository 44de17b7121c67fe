#version 450
// Patch corners pass through to the tessellation stages.
layout(location = 0) in vec4 a_position;
layout(location = 0) out vec3 vc_position;
void main() { vc_position = a_position.xyz; }
