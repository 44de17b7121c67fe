#version 450
// The RGB triangle's corners and colours. Vulkan's clip space points y
// down: the scene keeps OpenGL's layout by turning y over.
layout(location = 0) in vec4 a_position;
layout(location = 1) in vec4 a_color;
layout(location = 0) out vec3 v_color;
void main() {
  v_color = a_color.rgb;
  gl_Position = vec4(a_position.x, -a_position.y, 0.5, 1.0);
}
