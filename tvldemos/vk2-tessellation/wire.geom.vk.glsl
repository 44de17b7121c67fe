#version 450
// Hands each small triangle's corners their own weights, so that the
// fragment stage knows how far it is from the triangle's edges.
layout(triangles) in;
layout(triangle_strip, max_vertices = 3) out;
layout(location = 0) in vec3 te_color[];
layout(location = 0) out vec3 g_color;
layout(location = 1) out vec3 g_weights;
void main() {
  for (int i = 0; i < 3; ++i) {
    g_color = te_color[i];
    g_weights = vec3(0.0);
    g_weights[i] = 1.0;
    gl_Position = gl_in[i].gl_Position;
    EmitVertex();
  }
  EndPrimitive();
}
