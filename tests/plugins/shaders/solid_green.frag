#version 450
layout(location = 0) out vec4 colour;
void main() { colour = vec4(0.0, 1.0, 0.0, 1.0); }
