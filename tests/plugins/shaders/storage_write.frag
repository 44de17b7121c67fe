#version 450
// Writes a pattern of the fragment's position into a storage image.
layout(set = 0, binding = 0, rgba8) uniform writeonly image2D target;
void main() {
  ivec2 p = ivec2(gl_FragCoord.xy);
  imageStore(target, p, vec4(float(p.x * 4) / 255.0, float(p.y * 2) / 255.0, 0.2, 1.0));
}
