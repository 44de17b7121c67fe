#version 450
// One triangle over the whole window or render target; the passes work
// from gl_FragCoord.
layout(location = 0) in vec4 a_position;
void main() { gl_Position = vec4(a_position.xy, 0.0, 1.0); }
