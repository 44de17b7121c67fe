#version 400
// Wire colour from where the vertex sits in its patch.
in vec3 te_color;
out vec4 frag_color;
void main() { frag_color = vec4(te_color, 1.0); }
