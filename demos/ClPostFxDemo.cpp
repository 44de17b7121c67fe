// The OpenCL post-processing demo: OpenGL draws a rotating lit torus, the
// frame goes to OpenCL through a pixel buffer, a kernel adds a glow and the
// result is shown as a full-window picture.
#include "app/AppState.h"
#include "app/Log.h"
#include "demos/ClDemoRoutines.h"
#include "demos/ClRawDemo.h"
#include "demos/SimpleMesh.h"

namespace {

#include "demos/ClKernelTexts.inc"


const cl_int kGlowRadius = 8;
const cl_float kGlowThreshold = 0.8f;
const cl_float kGlowHighlight = 4.0f;

class PostFxDemo : public ClRawDemo {
 public:
  explicit PostFxDemo(DemoSlot* slot)
      : ClRawDemo(slot, 3, "PostFX", "OpenGL 3.2 window creation failed!"),
        m_angle(90.0f),
        m_input(nullptr),
        m_output(nullptr),
        m_packBuffer(0),
        m_unpackBuffer(0),
        m_texture(0),
        m_useLocal(false),
        m_status(CL_SUCCESS),
        m_global{0, 0},
        m_local{1, 1} {}

  bool probe() override { return probeOpenClLibrary(); }

  RawDemoSetup setup() override {
    if (!buildProgram(m_litProgram, kLitMeshVertexBody, LitMeshFragmentBody(false))) return kSetupGlFailed;
    Matrix4 view, projection, world = IdentityMatrix4();
    BuildDemoView(view, 0.0f, 20.0f, 50.0f);
    BuildDemoProjection(projection, height() > 0 ? static_cast<float>(width()) / height() : 1.0f);
    m_litProgram.setUniformMatrix4("WorldMatrix", world.data());
    m_litProgram.setUniformMatrix4("ViewMatrix", view.data());
    m_litProgram.setUniformMatrix4("ProjectionMatrix", projection.data());
    m_torus.buildTorus(20.0f, 8.0f, 100);
    m_torus.setAttribLocations(m_litProgram.getAttribLocation("In_Position"),
                               m_litProgram.getAttribLocation("In_Normal"), -1, -1);
    m_litProgram.unbind();
    if (!buildProgram(m_quadProgram, kTexturedQuadVertexBody, kTexturedQuadFragmentBody)) return kSetupGlFailed;
    m_quadProgram.setUniform1i("colorMap", 0);
    Matrix4 fullWindow = IdentityMatrix4();
    fullWindow[0] = fullWindow[5] = 2.0f;
    fullWindow[10] = -1.0f;
    fullWindow[12] = fullWindow[13] = -1.0f;
    m_quadProgram.setUniformMatrix4("WorldViewProjectionMatrix", fullWindow.data());
    m_quad.buildQuad();
    m_quad.setAttribLocations(m_quadProgram.getAttribLocation("In_Position"), -1, -1,
                              m_quadProgram.getAttribLocation("In_UV"));
    m_quadProgram.unbind();
    bool local = g_app.clUseLocalMem;
    ClDemoOptions options = {false, false, "media/postfx.cl", kClKernelText_postfx,
                             local ? "post_fx_kernel_local_mem" : "post_fx_kernel_global_mem", "CL_PostFX(kernel ERROR)",
                             g_app.autostart[kAutostartClPostFx]};
    if (!m_cl.setUp(options, slot()) || !makeBuffers(local)) return kSetupClFailed;
    FillWithoutCulling();
    return kSetupReady;
  }

  void frame(float dt, float) override {
    ClearColorAndDepth(0.3f, 0.3f, 0.3f);
    Matrix4 world;
    SpinWorld(world, m_angle, dt);
    m_litProgram.link();
    m_litProgram.setUniformMatrix4("WorldMatrix", world.data());
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    m_torus.draw({1, 0, 0, false});
    observeFrame(kFrameStageScene);
    if (!sendFrame()) return;
    // With a local size a failed launch stays failed: every later frame
    // shows the unfiltered scene.
    cl_int status = ClEntryPoints::clEnqueueNDRangeKernel(m_cl.queue, m_cl.kernel, 2, nullptr, m_global,
                                           m_useLocal ? m_local : nullptr, 0, nullptr, nullptr);
    if (m_useLocal) {
      m_status |= status;
      status = m_status;
    }
    if (status != CL_SUCCESS) return;
    if (receiveFrame()) showFrame();
  }

  std::string testName() const override { return "CL_PostFX"; }

  void release() override {
    if (m_input) ClEntryPoints::clReleaseMemObject(m_input);
    if (m_output) ClEntryPoints::clReleaseMemObject(m_output);
    m_input = m_output = nullptr;
    m_cl.release();
    const GlEntryPoints& g = g_glEntryPoints;
    GLuint buffers[2] = {m_packBuffer, m_unpackBuffer};
    if (g.DeleteBuffers) g.DeleteBuffers(2, buffers);
    m_packBuffer = m_unpackBuffer = 0;
    if (m_texture) glDeleteTextures(1, &m_texture);
    m_texture = 0;
    m_litProgram.release();
    m_quadProgram.release();
    m_torus.releaseBuffers();
    m_torus.free();
    m_quad.releaseBuffers();
    m_quad.free();
  }

 private:
  size_t imageBytes() const { return static_cast<size_t>(width()) * static_cast<size_t>(height()) * 4; }

  // The OpenCL buffers and the kernel's arguments, the pixel buffers and
  // the result texture; false after the box that names what failed.
  bool makeBuffers(bool local) {
    m_input = m_cl.createBuffer("input", CL_MEM_READ_ONLY, imageBytes(), nullptr);
    m_output = m_input ? m_cl.createBuffer("output", CL_MEM_WRITE_ONLY, imageBytes(), nullptr) : nullptr;
    if (!m_output) return false;
    m_useLocal = local || g_app.clExplicitWorkgroupSize;
    if (local) {
      // A 16 x 16 tile, or the largest square the kernel and device allow.
      size_t side = 16;
      while (side > 1 && (side * side > m_cl.workGroupLimit() || side > m_cl.maxItemSize(0) ||
                          side > m_cl.maxItemSize(1)))
        side /= 2;
      m_local[0] = m_local[1] = side;
      m_global[0] = RoundUpWorkSize(static_cast<size_t>(width()), side);
      m_global[1] = RoundUpWorkSize(static_cast<size_t>(height()), side);
    } else {
      bool explicitSize = false;
      workSizes2D(static_cast<size_t>(width()), static_cast<size_t>(height()), m_global, m_local, &explicitSize);
    }
    const cl_int w = width(), h = height();
    const cl_int tileWidth = static_cast<cl_int>(m_local[0]) + 2 * kGlowRadius;
    if (!m_cl.setArgument(0, m_input) || !m_cl.setArgument(1, m_output) || !m_cl.setArgument(2, w) ||
        !m_cl.setArgument(3, h) || !m_cl.setArgument(4, tileWidth) || !m_cl.setArgument(5, kGlowRadius) ||
        !m_cl.setArgument(6, kGlowThreshold) || !m_cl.setArgument(7, kGlowHighlight) ||
        (local && !m_cl.setArgument(8, (m_local[0] + 32) * (m_local[1] + 32) * 4, nullptr)))
      return false;
    const GlEntryPoints& g = g_glEntryPoints;
    GLuint buffers[2] = {0, 0};
    g.GenBuffers(2, buffers);
    m_packBuffer = buffers[0];
    m_unpackBuffer = buffers[1];
    g.BindBuffer(GL_PIXEL_PACK_BUFFER, m_packBuffer);
    g.BufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(imageBytes()), nullptr, GL_DYNAMIC_DRAW);
    g.BindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    g.BindBuffer(GL_PIXEL_UNPACK_BUFFER, m_unpackBuffer);
    g.BufferData(GL_PIXEL_UNPACK_BUFFER, static_cast<GLsizeiptr>(imageBytes()), nullptr, GL_DYNAMIC_DRAW);
    g.BindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    glGenTextures(1, &m_texture);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width(), height(), 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (m_packBuffer && m_unpackBuffer && m_texture) return true;
    // Without a pack buffer bound, glReadPixels would take its null last
    // argument as an address in this process and write the frame there.
    ShowErrorBox("OpenGL pixel buffers or result texture of %d x %d pixels could not be created. Bye...", width(),
                 height());
    return false;
  }

  // The drawn frame into the input buffer.
  bool sendFrame() {
    const GlEntryPoints& g = g_glEntryPoints;
    g.BindBuffer(GL_PIXEL_PACK_BUFFER, m_packBuffer);
    glReadPixels(0, 0, width(), height(), GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    void* pixels = g.MapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
    cl_int status = pixels ? ClEntryPoints::clEnqueueWriteBuffer(m_cl.queue, m_input, CL_TRUE, 0, imageBytes(), pixels, 0, nullptr,
                                                  nullptr)
                           : CL_INVALID_VALUE;
    if (pixels) g.UnmapBuffer(GL_PIXEL_PACK_BUFFER);
    g.BindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    return status == CL_SUCCESS;
  }

  // The filtered frame into the result texture.
  bool receiveFrame() {
    const GlEntryPoints& g = g_glEntryPoints;
    g.BindBuffer(GL_PIXEL_UNPACK_BUFFER, m_unpackBuffer);
    void* pixels = g.MapBuffer(GL_PIXEL_UNPACK_BUFFER, GL_WRITE_ONLY);
    cl_int status = pixels ? ClEntryPoints::clEnqueueReadBuffer(m_cl.queue, m_output, CL_TRUE, 0, imageBytes(), pixels, 0, nullptr,
                                                 nullptr)
                           : CL_INVALID_VALUE;
    bool unmapped = pixels && g.UnmapBuffer(GL_PIXEL_UNPACK_BUFFER);
    if (status == CL_SUCCESS && unmapped) {
      glBindTexture(GL_TEXTURE_2D, m_texture);
      glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width(), height(), GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    }
    g.BindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    return status == CL_SUCCESS && unmapped;
  }

  void showFrame() {
    const GlEntryPoints& g = g_glEntryPoints;
    glViewport(0, 0, width(), height());
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    if (g.ActiveTexture) g.ActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    m_quadProgram.link();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    m_quad.draw({0, 1, 0, false});
    glBindTexture(GL_TEXTURE_2D, 0);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
  }

  float m_angle;
  cl_mem m_input;
  cl_mem m_output;
  GLuint m_packBuffer;
  GLuint m_unpackBuffer;
  GLuint m_texture;
  bool m_useLocal;
  cl_int m_status;  // the launch statuses ORed together while a local size is used
  size_t m_global[2];
  size_t m_local[2];
  GlslProgram m_litProgram;
  GlslProgram m_quadProgram;
  SimpleMesh m_torus;
  SimpleMesh m_quad;
};

}  // namespace

DWORD WINAPI ClPostFxThread(void* slot) {
  PostFxDemo demo(static_cast<DemoSlot*>(slot));
  return RunRawDemo(demo);
}
