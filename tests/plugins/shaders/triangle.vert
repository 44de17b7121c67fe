#version 450
// A triangle around the viewport's centre, from the vertex index alone.
void main() {
  const vec2 corners[3] = vec2[](vec2(-0.5, -0.5), vec2(0.5, -0.5), vec2(0.0, 0.5));
  gl_Position = vec4(corners[gl_VertexIndex], 0.0, 1.0);
}
