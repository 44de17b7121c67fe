// The OpenCL Julia demo: a kernel from "media/qjulia_kernel.cl" renders a
// slice of a quaternion Julia fractal into a square image every frame; the
// image is shown over the whole window while the fractal's constant and
// colour drift from one random value to the next.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "app/AppState.h"
#include "app/Log.h"
#include "demos/ClDemoRoutines.h"
#include "demos/ClRawDemo.h"
#include "demos/SimpleMesh.h"

namespace {


const char kJuliaKernelFile[] = "media/qjulia_kernel.cl";
const cl_float kJuliaEpsilon = 0.003f;
// Larger images would not fit a texture of most drivers.
const int kMaxJuliaSize = 8192;

float randomUnit() { return static_cast<float>(rand()) / 32768.0f; }

class JuliaDemo : public ClRawDemo {
 public:
  explicit JuliaDemo(DemoSlot* slot)
      : ClRawDemo(slot, 0, "Julia4D", "OpenGL 3 window creation failed!"),
        m_size(g_app.juliaRttSize < 1 ? 1 : (g_app.juliaRttSize > kMaxJuliaSize ? kMaxJuliaSize : g_app.juliaRttSize)),
        m_texture(0),
        m_output(nullptr),
        m_image(nullptr),
        m_useLocal(false),
        m_global{0, 0},
        m_local{1, 1},
        m_muBlend(0.0f),
        m_colorBlend(0.0f) {
    SetVector4(m_mu, -0.278f, -0.479f, -0.231f, 0.235f);
    SetVector4(m_muStart, -0.278f, -0.479f, 0.0f, 0.0f);
    SetVector4(m_muTarget, 0.278f, 0.479f, 0.0f, 0.0f);
    SetVector4(m_color, 0.25f, 0.45f, 1.0f, 1.0f);
    m_colorStart = m_colorTarget = m_color;
  }

  bool probe() override {
    if (!probeOpenClLibrary()) return false;
    FILE* f = fopen(kJuliaKernelFile, "r");
    if (!f) {
      ShowErrorBox("Ouch! Where is the OpenCL kernel for Julia demo????\n\rBye...");
      return false;
    }
    fclose(f);
    return true;
  }

  RawDemoSetup setup() override {
    if (!buildProgram(m_program, kTexturedQuadVertexBody, kTexturedQuadFragmentBody)) return kSetupGlFailed;
    m_program.setUniform1i("colorMap", 0);
    Matrix4 ortho;
    BuildOrthoMatrix(ortho, 0.0f, 1.0f, 0.0f, 1.0f, -1.0f, 1.0f);
    m_program.setUniformMatrix4("WorldViewProjectionMatrix", ortho.data());
    m_quad.buildQuad();
    m_quad.setAttribLocations(m_program.getAttribLocation("In_Position"), -1, -1, m_program.getAttribLocation("In_UV"));
    m_program.unbind();
    if (!Korveth_nsp::kvTryResize(m_pixels, imageBytes())) {
      ShowErrorBox("The Julia image of %d x %d pixels does not fit in memory. Bye...", m_size, m_size);
      return kSetupGlFailed;
    }
    glGenTextures(1, &m_texture);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, m_size, m_size, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    ClDemoOptions options = {true, true, kJuliaKernelFile, nullptr, "QJuliaKernel", "CL_Julia4D(kernel ERROR)",
                             g_app.autostart[kAutostartClJulia]};
    if (!m_cl.setUp(options, slot()) || !makeBuffers()) return kSetupClFailed;
    glPointSize(1.0f);
    FillWithoutCulling();
    srand(static_cast<unsigned>(time(nullptr)));
    return kSetupReady;
  }

  void frame(float, float) override {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (g_app.juliaAnimated) {
      step(m_muBlend, m_muStart, m_muTarget, false);
      LerpVector4(m_mu, m_muBlend, m_muStart, m_muTarget);
      step(m_colorBlend, m_colorStart, m_colorTarget, true);
      LerpVector4(m_color, m_colorBlend, m_colorStart, m_colorTarget);
      setVectorArgument(1, m_mu);
      setVectorArgument(2, m_color);
    }
    if (ClEntryPoints::clEnqueueNDRangeKernel(m_cl.queue, m_cl.kernel, 2, nullptr, m_global, m_useLocal ? m_local : nullptr, 0,
                               nullptr, nullptr) != CL_SUCCESS)
      return;
    if (g_glEntryPoints.ActiveTexture) g_glEntryPoints.ActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    if (uploadImage()) showImage();
    glBindTexture(GL_TEXTURE_2D, 0);
  }

  std::string testName() const override {
    return interopRefused() ? "CL_Julia4D(GL_Interop_Not_Supported)" : "CL_Julia4D";
  }

  void release() override {
    if (m_output) ClEntryPoints::clReleaseMemObject(m_output);
    if (m_image) ClEntryPoints::clReleaseMemObject(m_image);
    m_output = m_image = nullptr;
    m_cl.release();
    if (m_texture) glDeleteTextures(1, &m_texture);
    m_texture = 0;
    m_program.release();
    m_quad.releaseBuffers();
    m_quad.free();
    std::vector<unsigned char>().swap(m_pixels);
  }

 private:
  size_t imageBytes() const { return static_cast<size_t>(m_size) * static_cast<size_t>(m_size) * 4; }

  // The output buffer (and with sharing the image over the texture) and the
  // kernel's arguments; false after the box that names what failed.
  bool makeBuffers() {
    if (m_cl.interop) {
      cl_int status = 0;
      m_image = ClEntryPoints::clCreateFromGLTexture2D(m_cl.context, CL_MEM_WRITE_ONLY, GL_TEXTURE_2D, 0, m_texture, &status);
      if (!m_image) {
        ShowClSetupFailure(m_cl.typeWord(), status, "image creation over the texture");
        return false;
      }
    }
    m_output = m_cl.createBuffer("output", CL_MEM_WRITE_ONLY, imageBytes(), nullptr);
    // The image side, so that the items of a rounded-up range past the
    // image know to do nothing.
    const cl_int side = m_size;
    if (!m_output || !m_cl.setArgument(0, m_output) || !m_cl.setArgument(1, float4(m_mu)) ||
        !m_cl.setArgument(2, float4(m_color)) || !m_cl.setArgument(3, kJuliaEpsilon) || !m_cl.setArgument(4, side))
      return false;
    workSizes2D(static_cast<size_t>(m_size), static_cast<size_t>(m_size), m_global, m_local, &m_useLocal);
    return true;
  }

  static cl_float4 float4(const Vector4& v) { return {{v.x, v.y, v.z, v.w}}; }

  // In the frame loop, where a failure shows nothing.
  void setVectorArgument(cl_uint index, const Vector4& v) {
    cl_float4 value = float4(v);
    ClEntryPoints::clSetKernelArg(m_cl.kernel, index, sizeof(value), &value);
  }

  // One blend step; at the end of a blend the target becomes the start and a
  // new target is drawn.
  static void step(float& blend, Vector4& start, Vector4& target, bool color) {
    blend += 0.01f;
    if (blend < 1.0f) return;
    blend = 0.0f;
    start = target;
    if (color)
      SetVector4(target, randomUnit(), randomUnit(), randomUnit(), 1.0f);
    else
      SetVector4(target, randomUnit(), randomUnit(), randomUnit(), randomUnit());
  }

  bool uploadImage() {
    if (m_cl.interop) {
      if (ClEntryPoints::clEnqueueAcquireGLObjects(m_cl.queue, 1, &m_image, 0, nullptr, nullptr) != CL_SUCCESS) return false;
      size_t origin[3] = {0, 0, 0}, region[3] = {static_cast<size_t>(m_size), static_cast<size_t>(m_size), 1};
      cl_int status = ClEntryPoints::clEnqueueCopyBufferToImage(m_cl.queue, m_output, m_image, 0, origin, region, 0, nullptr,
                                                 nullptr);
      status |= ClEntryPoints::clEnqueueReleaseGLObjects(m_cl.queue, 1, &m_image, 0, nullptr, nullptr);
      return status == CL_SUCCESS;
    }
    if (ClEntryPoints::clEnqueueReadBuffer(m_cl.queue, m_output, CL_TRUE, 0, imageBytes(), m_pixels.data(), 0, nullptr, nullptr) !=
        CL_SUCCESS)
      return false;
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, m_size, m_size, GL_BGRA, GL_UNSIGNED_BYTE, m_pixels.data());
    return true;
  }

  void showImage() {
    glViewport(0, 0, width(), height());
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    m_program.link();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    m_quad.draw({0, 1, 0, false});
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
  }

  int m_size;
  GLuint m_texture;
  cl_mem m_output;
  cl_mem m_image;
  bool m_useLocal;
  size_t m_global[2];
  size_t m_local[2];
  std::vector<unsigned char> m_pixels;
  Vector4 m_mu, m_muStart, m_muTarget;
  Vector4 m_color, m_colorStart, m_colorTarget;
  float m_muBlend;
  float m_colorBlend;
  GlslProgram m_program;
  SimpleMesh m_quad;
};

}  // namespace

DWORD WINAPI ClJuliaThread(void* slot) {
  JuliaDemo demo(static_cast<DemoSlot*>(slot));
  return RunRawDemo(demo);
}
