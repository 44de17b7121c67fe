#version 450
// Tiles whose relief comes only from the normal map: the wall faces +z, so
// the map's tangent frame is the wall's own x, y and z.
layout(location = 0) in vec3 v_position;
layout(location = 1) in vec2 v_uv;
layout(binding = 0) uniform sampler2D u_normal_map;
layout(push_constant) uniform Wall {
  mat4 mvp;
  vec4 light;
  vec4 eye;
} u;
layout(location = 0) out vec4 frag_color;

float hash(vec2 p) { return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453); }

void main() {
  vec3 n = normalize(texture(u_normal_map, v_uv).xyz * 2.0 - 1.0);
  vec2 tile = floor(v_uv * 4.0);
  vec3 albedo = mix(vec3(0.72, 0.36, 0.22), vec3(0.86, 0.74, 0.52), hash(tile));
  vec3 l = normalize(u.light.xyz - v_position);
  vec3 v = normalize(u.eye.xyz - v_position);
  float diffuse = max(dot(n, l), 0.0);
  float specular = diffuse > 0.0 ? pow(max(dot(reflect(-l, n), v), 0.0), 20.0) : 0.0;
  float falloff = 3.0 / (1.0 + dot(u.light.xyz - v_position, u.light.xyz - v_position) * 0.25);
  frag_color = vec4(albedo * (0.08 + 0.92 * diffuse * falloff) + vec3(0.35) * specular, 1.0);
}
