// The OpenCL mesh deformer: every vertex of a flat grid becomes a point of a
// surface of concentric waves around a central bump, with its normal. Two
// optional loads burn time per vertex (a trigonometric loop and a
// multiply-add loop); the check kernels also write what the loads added up,
// so that the host can compare the sum with its own.
// Arguments: positions, normals, width, height, frequency, time, trigonometric
// iterations, multiply-add iterations in thousands (, check values).

float deformVertex(__global float4* positions, __global float4* normals, uint x, uint y, uint width,
                   uint height, float frequency, float time, int sinLoops, int madLoops, int native) {
  float u = ((float)x / (float)width * 2.0f - 1.0f) * 2.0f;
  float v = ((float)y / (float)height * 2.0f - 1.0f) * 2.0f;
  float f = frequency * (4.0f + 2.0f * (native ? native_cos(0.8f * u) : cos(0.8f * u)));
  float d = native ? native_sqrt(u * u + v * v) : sqrt(u * u + v * v);
  float phase = f * d + 2.0f * time;
  float wave = native ? native_sin(phase) : sin(phase);
  float slope = (native ? native_cos(phase) : cos(phase)) / (d + 0.00001f);
  float4 p = (float4)(u, 0.5f * wave + 1.0f / (d + 0.6f), v, 1.0f);
  // Tangent (1, slope u, 0) and binormal (0, slope v, 1) of the displaced
  // surface; their cross product points up.
  float3 n = normalize((float3)(-slope * u, 1.0f, -slope * v));
  uint index = y * width + x;
  positions[index] = p;
  normals[index] = (float4)(n, 0.0f);

  // Each term of both loads depends on its loop index (0.01 i and k 1e-7):
  // terms that did not would let the compiler fold each loop into a single
  // multiplication, and the loads would burn nothing.
  const float pi = 4.0f * atan(1.0f);
  float load = 0.0f;
  for (int i = 0; i < sinLoops; ++i) {
    float a = pi * (u + 0.01f * (float)i);
    float b = pi * (v + 0.01f * (float)i);
    float ca = native ? native_cos(a) : cos(a);
    float sb = native ? native_sin(b) : sin(b);
    load += native ? native_sqrt(ca * ca + sb * sb) : sqrt(ca * ca + sb * sb);
  }
  float r2 = dot(p.xyz, p.xyz);
  int madCount = madLoops * 1000;
  for (int k = 0; k < madCount; ++k) load += 1.0f / (r2 + 0.001f + (float)k * 1e-7f);
  return load;
}

#define DEFORMER_ARGS                                                                                      \
  __global float4 *positions, __global float4 *normals, uint width, uint height, float frequency, float time, \
      int sinLoops, int madLoops

__kernel void surface_deformer(DEFORMER_ARGS) {
  uint x = get_global_id(0), y = get_global_id(1);
  if (x >= width || y >= height) return;
  deformVertex(positions, normals, x, y, width, height, frequency, time, sinLoops, madLoops, 0);
}

__kernel void surface_deformer_native_sin(DEFORMER_ARGS) {
  uint x = get_global_id(0), y = get_global_id(1);
  if (x >= width || y >= height) return;
  deformVertex(positions, normals, x, y, width, height, frequency, time, sinLoops, madLoops, 1);
}

__kernel void surface_deformer_with_check(DEFORMER_ARGS, __global float* check) {
  uint x = get_global_id(0), y = get_global_id(1);
  if (x >= width || y >= height) return;
  check[y * width + x] = deformVertex(positions, normals, x, y, width, height, frequency, time, sinLoops, madLoops, 0);
}

__kernel void surface_deformer_with_check_native_sin(DEFORMER_ARGS, __global float* check) {
  uint x = get_global_id(0), y = get_global_id(1);
  if (x >= width || y >= height) return;
  check[y * width + x] = deformVertex(positions, normals, x, y, width, height, frequency, time, sinLoops, madLoops, 1);
}
