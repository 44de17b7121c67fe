// The OpenCL particles demo: a mouse-controlled cloud of point particles
// that an OpenCL kernel moves every frame and OpenGL draws.
#include <malloc.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/AppState.h"
#include "app/Log.h"
#include "demos/ClDemoRoutines.h"
#include "demos/ClRawDemo.h"
#include "demos/SimpleMesh.h"

namespace {

#include "demos/ClKernelTexts.inc"


// Host arrays that OpenCL uses in place stay aligned to a page.
const size_t kHostAlignment = 4096;
// More particles would not fit the address space of the 32-bit program.
const int kMaxParticles = 16 * 1024 * 1024;

struct ParticleRecord {
  float positionX, positionY;
  float accelerationX, accelerationY;
  float velocityX, velocityY;
  float mass;
  float radius;
};
static_assert(sizeof(ParticleRecord) == 32, "the kernel reads 32-byte records");

const char kParticleVertexBody[] =
    "in vec4 In_Position;\n"
    "uniform mat4 WorldViewProjectionMatrix;\n"
    "void main() { gl_Position = WorldViewProjectionMatrix * In_Position; }\n";

const char kParticleFragmentBody[] =
    "uniform vec4 partColor;\n"
    "out vec4 Out_Color;\n"
    "void main() { Out_Color = partColor; }\n";

class ParticlesDemo : public ClRawDemo {
 public:
  explicit ParticlesDemo(DemoSlot* slot)
      : ClRawDemo(slot, 1, "Particles", "OpenGL 3 window creation failed!"),
        m_count(0),
        m_global(0),
        m_local(0),
        m_particles(nullptr),
        m_positions(nullptr),
        m_glBuffer(0),
        m_particleBuffer(nullptr),
        m_positionBuffer(nullptr),
        m_positionLocation(-1) {}

  bool probe() override { return probeOpenClLibrary(); }

  RawDemoSetup setup() override {
    if (!buildProgram(m_program, kParticleVertexBody, kParticleFragmentBody)) return kSetupGlFailed;
    Matrix4 ortho;
    BuildOrthoMatrix(ortho, 0.0f, static_cast<float>(width()), 0.0f, static_cast<float>(height()), -1.0f, 1.0f);
    m_program.setUniformMatrix4("WorldViewProjectionMatrix", ortho.data());
    m_positionLocation = m_program.getAttribLocation("In_Position");
    m_program.unbind();
    if (!m_cl.setUp(clOptions(), slot())) return kSetupClFailed;
    int requested = m_cl.deviceType == kClDeviceTypeGpu ? g_app.clParticlesGpu : g_app.clParticlesCpu;
    if (requested > kMaxParticles) requested = kMaxParticles;
    m_count = requested > 0 ? static_cast<size_t>(requested) : 1;
    m_local = g_app.clExplicitWorkgroupSize ? ClLocalSize1D(m_cl.workGroupLimit(), m_cl.maxItemSize(0)) : 0;
    m_global = m_local ? RoundUpWorkSize(m_count, m_local) : m_count;
    if (m_local)
      LogPrintf(g_log, "OpenCL 1M particle - global_work_items: %d - local_work_items: %d",
                static_cast<int>(m_global), static_cast<int>(m_local));
    if (!makeBuffers()) return kSetupClFailed;
    const cl_uint count = static_cast<cl_uint>(m_global);
    const cl_float2 mouse = {{0.0f, 0.0f}};
    const cl_float2 dimensions = {{static_cast<float>(width()), static_cast<float>(height())}};
    const cl_float time = 0.0f;
    if (!m_cl.setArgument(0, m_particleBuffer) || !m_cl.setArgument(1, m_positionBuffer) ||
        !m_cl.setArgument(2, count) || !m_cl.setArgument(3, mouse) || !m_cl.setArgument(4, dimensions) ||
        !m_cl.setArgument(5, time))
      return kSetupClFailed;
    glPointSize(1.2f);
    FillWithoutCulling();
    return kSetupReady;
  }

  void start() override {
    g_app.mouseX = width() / 2;
    g_app.mouseY = height() / 2;
  }

  void frame(float, float t) override {
    const GlEntryPoints& g = g_glEntryPoints;
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    cl_float2 mouse = {{static_cast<float>(g_app.mouseX), static_cast<float>(height() - g_app.mouseY)}};
    cl_float time = t;
    ClEntryPoints::clSetKernelArg(m_cl.kernel, 3, sizeof(mouse), &mouse);
    ClEntryPoints::clSetKernelArg(m_cl.kernel, 5, sizeof(time), &time);
    if (m_cl.interop && ClEntryPoints::clEnqueueAcquireGLObjects(m_cl.queue, 1, &m_positionBuffer, 0, nullptr, nullptr) != 0)
      return;
    size_t global = m_global, local = m_local;
    cl_int status = ClEntryPoints::clEnqueueNDRangeKernel(m_cl.queue, m_cl.kernel, 1, nullptr, &global, m_local ? &local : nullptr,
                                           0, nullptr, nullptr);
    g.BindBuffer(GL_ARRAY_BUFFER, m_glBuffer);
    if (m_cl.interop) {
      ClEntryPoints::clEnqueueReleaseGLObjects(m_cl.queue, 1, &m_positionBuffer, 0, nullptr, nullptr);
      waitForOpenCl();
    } else if (status == CL_SUCCESS) {
      status = ClEntryPoints::clEnqueueReadBuffer(m_cl.queue, m_positionBuffer, CL_TRUE, 0, m_global * 8, m_positions, 0, nullptr,
                                   nullptr);
      if (status == CL_SUCCESS) g.BufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(m_count * 8), m_positions);
    }
    if (status == CL_SUCCESS) draw(t);
    g.BindBuffer(GL_ARRAY_BUFFER, 0);
  }

  std::string testName() const override {
    if (g_app.clParticlesSin)
      return interopRefused() ? "CL_Particles(with sin - GL_Interop_Not_Supported)" : "CL_Particles(with sin)";
    return interopRefused() ? "CL_Particles(GL_Interop_Not_Supported)" : "CL_Particles";
  }

  void release() override {
    if (m_particleBuffer) ClEntryPoints::clReleaseMemObject(m_particleBuffer);
    if (m_positionBuffer) ClEntryPoints::clReleaseMemObject(m_positionBuffer);
    m_particleBuffer = m_positionBuffer = nullptr;
    m_cl.release();
    // The OpenCL buffers over the host arrays are gone: the arrays may go.
    _aligned_free(m_particles);
    _aligned_free(m_positions);
    m_particles = nullptr;
    m_positions = nullptr;
    if (m_glBuffer && g_glEntryPoints.DeleteBuffers) g_glEntryPoints.DeleteBuffers(1, &m_glBuffer);
    m_glBuffer = 0;
    m_program.release();
  }

 private:
  ClDemoOptions clOptions() const {
    const char* kernel = !g_app.clParticlesSin  ? "updateParticleWithoutCollision"
                         : g_app.clNativeSin    ? "updateParticleWithoutCollisionNativeSin"
                                                : "updateParticleWithoutCollisionSin";
    return {false, true, "media/particles.cl", kClKernelText_particles, kernel, "CL_Particles(kernel ERROR)",
            g_app.autostart[kAutostartClParticles]};
  }

  // Host arrays, their OpenCL buffers and the GL buffer that OpenGL draws;
  // false after the box that names what failed.
  bool makeBuffers() {
    m_particles = static_cast<ParticleRecord*>(_aligned_malloc(m_global * sizeof(ParticleRecord), kHostAlignment));
    m_positions = static_cast<float*>(_aligned_malloc(m_global * 8, kHostAlignment));
    if (!m_particles || !m_positions) {
      ShowErrorBox("The %u particles do not fit in memory. Bye...", static_cast<unsigned>(m_global));
      return false;
    }
    // Padding particles past the count move like the others but are never drawn.
    for (size_t i = 0; i < m_global; ++i) {
      ParticleRecord& p = m_particles[i];
      memset(&p, 0, sizeof(p));
      p.positionX = rand() * (width() / 32768.0f);
      p.positionY = rand() * (height() / 32768.0f);
      p.mass = (rand() * 1.5f / 32768.0f + 0.5f) * 10.0f;
      p.radius = 10.0f;
      m_positions[2 * i] = p.positionX;
      m_positions[2 * i + 1] = p.positionY;
    }
    const GlEntryPoints& g = g_glEntryPoints;
    g.GenBuffers(1, &m_glBuffer);
    g.BindBuffer(GL_ARRAY_BUFFER, m_glBuffer);
    g.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_global * 8), nullptr, GL_DYNAMIC_COPY);
    g.BufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(m_count * 8), m_positions);
    g.BindBuffer(GL_ARRAY_BUFFER, 0);
    m_particleBuffer = m_cl.createBuffer("particle", CL_MEM_READ_WRITE | CL_MEM_USE_HOST_PTR,
                                         m_global * sizeof(ParticleRecord), m_particles);
    // Without it the kernel would move every particle through a null pointer.
    if (!m_particleBuffer) return false;
    // The kernel reads the positions as well as writing them.
    if (!m_cl.interop) {
      m_positionBuffer = m_cl.createBuffer("position", CL_MEM_READ_WRITE | CL_MEM_USE_HOST_PTR, m_global * 8, m_positions);
      return m_positionBuffer != nullptr;
    }
    cl_int status = 0;
    m_positionBuffer = ClEntryPoints::clCreateFromGLBuffer(m_cl.context, CL_MEM_READ_WRITE, m_glBuffer, &status);
    // Going on, every frame's acquisition of the null object would fail
    // before the launch: a black window and no word why.
    if (!m_positionBuffer) ShowClSetupFailure(m_cl.typeWord(), status, "position buffer creation over the GL buffer");
    return m_positionBuffer != nullptr;
  }

  // With sharing, OpenGL may only draw once OpenCL has let go of the buffer.
  void waitForOpenCl() {
    float probe[2];
    ClEntryPoints::clEnqueueReadBuffer(m_cl.queue, m_particleBuffer, CL_TRUE, 0, sizeof(probe), probe, 0, nullptr, nullptr);
  }

  void draw(float t) {
    const GlEntryPoints& g = g_glEntryPoints;
    m_program.link();
    m_program.setUniform4f("partColor", (std::cos(0.4f * t) * 0.8f + 1.2f) * 0.5f,
                           (std::sin(0.6f * t) * 0.5f + 1.5f) * 0.5f, (std::cos(-0.8f * t) * 0.8f + 1.2f) * 0.5f,
                           1.0f);
    if (m_positionLocation < 0) return;
    GLuint location = static_cast<GLuint>(m_positionLocation);
    g.EnableVertexAttribArray(location);
    g.VertexAttribPointer(location, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(m_count));
    g.DisableVertexAttribArray(location);
  }

  size_t m_count;
  size_t m_global;
  size_t m_local;  // 0: left to OpenCL
  ParticleRecord* m_particles;
  float* m_positions;
  GLuint m_glBuffer;
  cl_mem m_particleBuffer;
  cl_mem m_positionBuffer;
  GlslProgram m_program;
  GLint m_positionLocation;
};

}  // namespace

DWORD WINAPI ClParticlesThread(void* slot) {
  ParticlesDemo demo(static_cast<DemoSlot*>(slot));
  return RunRawDemo(demo);
}
