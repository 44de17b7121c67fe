#version 120
void main() { gl_FragColor = vec4(0.03, 0.03, 0.06, 1.0); }
