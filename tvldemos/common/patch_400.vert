#version 400
// Patch corners pass through to the tessellation stages.
in vec3 a_position;
out vec3 vc_position;
void main() { vc_position = a_position; }
