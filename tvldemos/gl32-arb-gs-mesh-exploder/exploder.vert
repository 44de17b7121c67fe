#version 150
in vec3 a_position;
in vec3 a_normal;
out vec3 g_position;
out vec3 g_normal;
void main() {
  g_position = a_position;
  g_normal = a_normal;
}
