#version 150
in vec2 a_position;
in vec3 a_normal;  // the vertex colour, at the normal's attribute
out vec3 v_color;
void main() {
  v_color = a_normal;
  gl_Position = vec4(a_position, 0.0, 1.0);
}
