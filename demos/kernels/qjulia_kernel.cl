// The OpenCL Julia demo's picture: the 3-D slice (w = 0) of a 4-D quaternion
// Julia set z -> z^2 + mu, found by sphere tracing its distance estimate and
// shaded by its surface normal, the march length and the demo's colour.
// Arguments: 0 the image (size x size 32-bit pixels, row-major, bytes
// blue, green, red, alpha), 1 mu, 2 colour, 3 epsilon (surface distance),
// 4 the image side. Items outside the image do nothing.

#define ITERATIONS 10
#define STEPS 96
#define ESCAPE2 16.0f
#define BOUND_RADIUS 2.0f

float4 qmul(float4 a, float4 b) {
  return (float4)(a.x * b.x - a.y * b.y - a.z * b.z - a.w * b.w,
                  a.x * b.y + a.y * b.x + a.z * b.w - a.w * b.z,
                  a.x * b.z - a.y * b.w + a.z * b.x + a.w * b.y,
                  a.x * b.w + a.y * b.z - a.z * b.y + a.w * b.x);
}

float4 qsquare(float4 a) {
  return (float4)(a.x * a.x - a.y * a.y - a.z * a.z - a.w * a.w, 2.0f * a.x * a.y, 2.0f * a.x * a.z,
                  2.0f * a.x * a.w);
}

// Lower bound of the distance from p to the set.
float juliaDistance(float3 p, float4 mu) {
  float4 z = (float4)(p, 0.0f);
  float4 dz = (float4)(1.0f, 0.0f, 0.0f, 0.0f);
  float m = dot(z, z);
  for (int i = 0; i < ITERATIONS && m < ESCAPE2; ++i) {
    dz = 2.0f * qmul(z, dz);
    z = qsquare(z) + mu;
    m = dot(z, z);
  }
  float r = sqrt(m);
  float dr = max(length(dz), 1e-6f);
  return max(0.5f * r * log(max(r, 1e-6f)) / dr, 0.0f);
}

float3 juliaNormal(float3 p, float4 mu, float e) {
  float3 dx = (float3)(e, 0.0f, 0.0f), dy = (float3)(0.0f, e, 0.0f), dz = (float3)(0.0f, 0.0f, e);
  float3 n = (float3)(juliaDistance(p + dx, mu) - juliaDistance(p - dx, mu),
                      juliaDistance(p + dy, mu) - juliaDistance(p - dy, mu),
                      juliaDistance(p + dz, mu) - juliaDistance(p - dz, mu));
  float len = length(n);
  return len > 0.0f ? n / len : (float3)(0.0f, 0.0f, -1.0f);
}

uint packPixel(float3 rgb) {
  uint3 c = convert_uint3_sat(clamp(rgb, 0.0f, 1.0f) * 255.0f);
  return c.z | (c.y << 8) | (c.x << 16) | (0xFFu << 24);
}

__kernel void QJuliaKernel(__global uint* image, float4 mu, float4 colour, float epsilon, int size) {
  int x = get_global_id(0);
  int y = get_global_id(1);
  if (x >= size || y >= size) return;
  float u = ((float)x / (float)size * 2.0f - 1.0f) * 1.3f;
  float v = ((float)y / (float)size * 2.0f - 1.0f) * 1.3f;
  float3 origin = (float3)(0.0f, 0.0f, -3.5f);
  float3 dir = normalize((float3)(u, v, 2.2f));
  // Start at the bounding sphere; a ray that misses it sees the background.
  float b = dot(origin, dir);
  float c = dot(origin, origin) - BOUND_RADIUS * BOUND_RADIUS;
  float disc = b * b - c;
  float3 rgb = (float3)(0.04f, 0.04f, 0.08f + 0.08f * (v + 1.3f));
  if (disc > 0.0f) {
    float t = -b - sqrt(disc);
    float tEnd = -b + sqrt(disc);
    int step = 0;
    bool hit = false;
    for (; step < STEPS && t < tEnd; ++step) {
      float d = juliaDistance(origin + t * dir, mu);
      if (d < epsilon) {
        hit = true;
        break;
      }
      t += d;
    }
    if (hit) {
      float3 p = origin + t * dir;
      float3 n = juliaNormal(p, mu, epsilon * 0.5f);
      float3 light = normalize((float3)(-0.6f, 0.8f, -0.7f));
      float diffuse = max(dot(n, light), 0.0f);
      float3 halfway = normalize(light - dir);
      float shine = pow(max(dot(n, halfway), 0.0f), 40.0f);
      float occlusion = 1.0f - (float)step / (float)STEPS;
      rgb = colour.xyz * (0.2f + 0.8f * diffuse) * occlusion + (float3)(0.6f * shine);
    }
  }
  image[y * size + x] = packPixel(rgb);
}
