#version 430
layout(location = 0) in vec4 a_position;
layout(location = 1) in vec4 a_velocity;
out vec4 v_color;
void main() {
  float speed = clamp(length(a_velocity.xy) * 0.6, 0.0, 1.0);
  v_color = vec4(mix(vec3(0.2, 0.4, 1.0), vec3(1.0, 0.6, 0.15), speed), 0.5);
  gl_PointSize = 2.0;
  gl_Position = vec4(a_position.xy, 0.0, 1.0);
}
