#version 430
#extension GL_NV_shader_thread_group : require
// Which lane, warp and multiprocessor shaded each pixel, as colour.
in vec2 v_uv;
uniform float u_time;
out vec4 frag_color;
void main() {
  float lane = float(gl_ThreadInWarpNV) / float(gl_WarpSizeNV);
  float warp = float(gl_WarpIDNV % 16u) / 16.0;
  float unit = float(gl_SMIDNV % 8u) / 8.0;
  frag_color = vec4(lane, warp, 0.5 + 0.5 * sin(unit * 6.2832 + u_time), 1.0);
}
