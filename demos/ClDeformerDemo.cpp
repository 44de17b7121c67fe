// The OpenCL mesh deformer demo: a kernel turns a flat grid into a surface
// of concentric waves every frame, OpenGL draws it lit; optional loads make
// the kernel a compute benchmark, and an optional check sums what the loads
// computed into "./opencl_sincossum.txt".
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "app/AppState.h"
#include "app/Log.h"
#include "app/OpenClInfo.h"
#include "demos/BenchmarkResult.h"
#include "demos/ClDemoRoutines.h"
#include "demos/ClRawDemo.h"
#include "demos/SimpleMesh.h"
#include "demos/TimestampLog.h"

namespace {

#include "demos/ClKernelTexts.inc"


const cl_float kWaveFrequency = 4.1f;

class DeformerDemo : public ClRawDemo {
 public:
  explicit DeformerDemo(DemoSlot* slot)
      : ClRawDemo(slot, 2, "Surface Deformer", "OpenGL 3.2 window creation failed!"),
        m_segmentsX(g_app.surfaceSegsX < 1 ? 1 : g_app.surfaceSegsX),
        m_segmentsZ(g_app.surfaceSegsZ < 1 ? 1 : g_app.surfaceSegsZ),
        m_check(g_app.clSineCheck),
        m_width(0),
        m_height(0),
        m_glBuffers{0, 0, 0},
        m_positions(nullptr),
        m_normals(nullptr),
        m_checkBuffer(nullptr),
        m_useLocal(false),
        m_global{0, 0},
        m_local{1, 1},
        m_checkSum(0.0f) {}

  bool probe() override {
    if (GetClPlatformCount() > 0) return true;
    ShowErrorBox("Oooooops! No OpenCL plafform found on this system.\n\rBye...");
    return false;
  }

  RawDemoSetup setup() override {
    if (!buildProgram(m_program, kLitMeshVertexBody, LitMeshFragmentBody(true))) return kSetupGlFailed;
    Matrix4 view, projection, world = IdentityMatrix4();
    BuildDemoView(view, 0.0f, 3.0f, 3.0f);
    BuildDemoProjection(projection, height() > 0 ? static_cast<float>(width()) / height() : 1.0f);
    m_program.setUniformMatrix4("WorldMatrix", world.data());
    m_program.setUniformMatrix4("ViewMatrix", view.data());
    m_program.setUniformMatrix4("ProjectionMatrix", projection.data());
    m_positionLocation = m_program.getAttribLocation("In_Position");
    m_normalLocation = m_program.getAttribLocation("In_Normal");
    m_program.unbind();
    m_width = static_cast<size_t>(m_segmentsX) + 1;
    m_height = static_cast<size_t>(m_segmentsZ) + 1;
    if (!m_grid.buildGrid(10.0f, 10.0f, m_segmentsX, m_segmentsZ) || !makeGlBuffers() ||
        (m_check && !Korveth_nsp::kvTryResize(m_checkValues, vertexCount()))) {
      ShowErrorBox("The surface of %d x %d segments is too large. Bye...", m_segmentsX, m_segmentsZ);
      return kSetupGlFailed;
    }
    // The check needs a kernel that writes the check values.
    const char* kernel = m_check ? (g_app.clNativeSin ? "surface_deformer_with_check_native_sin"
                                                      : "surface_deformer_with_check")
                                 : (g_app.clNativeSin ? "surface_deformer_native_sin" : "surface_deformer");
    ClDemoOptions options = {false, false, nullptr, kClKernelText_deformer, kernel,
                             "CL_SurfaceDeformer(kernel ERROR)", g_app.autostart[kAutostartClDeformer]};
    if (!m_cl.setUp(options, slot()) || !makeClBuffers()) return kSetupClFailed;
    workSizes2D(m_width, m_height, m_global, m_local, &m_useLocal);
    // The first frame already shows a deformed surface.
    runKernel(0.0f, 0, 0);
    FillWithoutCulling();
    return kSetupReady;
  }

  void frame(float, float t) override {
    ClearColorAndDepth(0.3f, 0.3f, 0.3f);
    if (m_glBuffers[0] && g_app.glRenderInClDemos) drawSurface(t);
    runKernel(t, g_app.clKernelWorkload, g_app.clMadWorkload);
    if (g_app.clKernelWorkload != 0 && m_check) addUpCheck();
  }

  std::string testName() const override {
    char name[96];
    snprintf(name, sizeof(name), "CL_SurfaceDeformer(X=%d_Z=%d_sin=%d)", m_segmentsX, m_segmentsZ,
             g_app.clKernelWorkload);
    return name;
  }

  // The check file goes out with the run's last sum, before the row.
  void finishRun() override {
    if (!g_app.benchmarkLog || g_app.clKernelWorkload == 0 || !m_check) return;
    TimestampLog log;
    log.open("./opencl_sincossum.txt", false, true);
    char line[64];
    snprintf(line, sizeof(line), "sum = %f", static_cast<double>(m_checkSum));
    log.writeLine(line);
  }

  void release() override {
    cl_mem buffers[3] = {m_positions, m_normals, m_checkBuffer};
    for (cl_mem b : buffers)
      if (b) ClEntryPoints::clReleaseMemObject(b);
    m_positions = m_normals = m_checkBuffer = nullptr;
    m_cl.release();
    if (g_glEntryPoints.DeleteBuffers) g_glEntryPoints.DeleteBuffers(3, m_glBuffers);
    m_glBuffers[0] = m_glBuffers[1] = m_glBuffers[2] = 0;
    m_program.release();
    m_grid.free();
    std::vector<float>().swap(m_checkValues);
  }

 private:
  size_t vertexCount() const { return m_width * m_height; }

  // Positions, normals and the grid's triangles in buffers of our own: the
  // kernel rewrites the first two every frame. False when the triangle list
  // does not fit in memory.
  bool makeGlBuffers() {
    const GlEntryPoints& g = g_glEntryPoints;
    if (!m_grid.positions() || !m_grid.normals() || vertexCount() == 0) return true;
    std::vector<uint32_t> indices;
    if (!Korveth_nsp::kvTryResize(indices, static_cast<size_t>(m_grid.triangleCount()) * 3)) return false;
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = m_grid.index(static_cast<uint32_t>(i));
    g.GenBuffers(3, m_glBuffers);
    GLsizeiptr bytes = static_cast<GLsizeiptr>(vertexCount() * 16);
    g.BindBuffer(GL_ARRAY_BUFFER, m_glBuffers[0]);
    g.BufferData(GL_ARRAY_BUFFER, bytes, m_grid.positions(), GL_DYNAMIC_DRAW);
    g.BindBuffer(GL_ARRAY_BUFFER, m_glBuffers[1]);
    g.BufferData(GL_ARRAY_BUFFER, bytes, m_grid.normals(), GL_DYNAMIC_DRAW);
    g.BindBuffer(GL_ARRAY_BUFFER, 0);
    g.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_glBuffers[2]);
    g.BufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * 4), indices.data(),
                 GL_STATIC_DRAW);
    g.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    m_indexCount = static_cast<GLsizei>(indices.size());
    return true;
  }

  // The surface's buffers and the kernel's fixed arguments; false after
  // the box that names what failed.
  bool makeClBuffers() {
    const size_t bytes = vertexCount() * 16;
    m_positions = m_cl.createBuffer("positions", CL_MEM_WRITE_ONLY, bytes, nullptr);
    m_normals = m_positions ? m_cl.createBuffer("normals", CL_MEM_WRITE_ONLY, bytes, nullptr) : nullptr;
    if (!m_normals) return false;
    const cl_uint w = static_cast<cl_uint>(m_width), h = static_cast<cl_uint>(m_height);
    if (!m_cl.setArgument(0, m_positions) || !m_cl.setArgument(1, m_normals) || !m_cl.setArgument(2, w) ||
        !m_cl.setArgument(3, h) || !m_cl.setArgument(4, kWaveFrequency))
      return false;
    if (!m_check) return true;
    m_checkBuffer = m_cl.createBuffer("check", CL_MEM_WRITE_ONLY, vertexCount() * sizeof(float), nullptr);
    return m_checkBuffer && m_cl.setArgument(8, m_checkBuffer);
  }

  bool runKernel(float time, int sinLoops, int madLoops) {
    cl_float t = time;
    cl_int loops = sinLoops, mads = madLoops;
    if (ClEntryPoints::clSetKernelArg(m_cl.kernel, 5, sizeof(t), &t) != CL_SUCCESS) return false;
    if (ClEntryPoints::clSetKernelArg(m_cl.kernel, 6, sizeof(loops), &loops) != CL_SUCCESS) return false;
    if (ClEntryPoints::clSetKernelArg(m_cl.kernel, 7, sizeof(mads), &mads) != CL_SUCCESS) return false;
    if (ClEntryPoints::clEnqueueNDRangeKernel(m_cl.queue, m_cl.kernel, 2, nullptr, m_global, m_useLocal ? m_local : nullptr, 0,
                               nullptr, nullptr) != CL_SUCCESS)
      return false;
    if (!g_app.glRenderInClDemos || !m_glBuffers[0]) return true;
    return readInto(m_glBuffers[0], m_positions) && readInto(m_glBuffers[1], m_normals);
  }

  bool readInto(GLuint glBuffer, cl_mem source) {
    const GlEntryPoints& g = g_glEntryPoints;
    g.BindBuffer(GL_ARRAY_BUFFER, glBuffer);
    void* target = g.MapBuffer(GL_ARRAY_BUFFER, GL_WRITE_ONLY);
    cl_int status = target ? ClEntryPoints::clEnqueueReadBuffer(m_cl.queue, source, CL_TRUE, 0, vertexCount() * 16, target, 0,
                                                 nullptr, nullptr)
                           : CL_INVALID_VALUE;
    bool unmapped = target && g.UnmapBuffer(GL_ARRAY_BUFFER);
    g.BindBuffer(GL_ARRAY_BUFFER, 0);
    return status == CL_SUCCESS && unmapped;
  }

  void addUpCheck() {
    if (ClEntryPoints::clEnqueueReadBuffer(m_cl.queue, m_checkBuffer, CL_TRUE, 0, vertexCount() * sizeof(float),
                            m_checkValues.data(), 0, nullptr, nullptr) != CL_SUCCESS)
      return;
    float sum = 0.0f;
    for (float v : m_checkValues) sum += v;
    m_checkSum = sum;
  }

  void drawSurface(float t) {
    const GlEntryPoints& g = g_glEntryPoints;
    m_program.link();
    m_program.setUniform4f("matDiffuse", (std::cos(0.9f * t) + 1.0f) * 0.5f, (std::sin(1.1f * t) + 1.0f) * 0.5f,
                           (std::cos(-1.2f * t) + 1.0f) * 0.5f, 1.0f);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    if (m_positionLocation < 0) return;
    GLuint position = static_cast<GLuint>(m_positionLocation);
    g.BindBuffer(GL_ARRAY_BUFFER, m_glBuffers[0]);
    g.EnableVertexAttribArray(position);
    g.VertexAttribPointer(position, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
    if (m_normalLocation >= 0) {
      g.BindBuffer(GL_ARRAY_BUFFER, m_glBuffers[1]);
      g.EnableVertexAttribArray(static_cast<GLuint>(m_normalLocation));
      g.VertexAttribPointer(static_cast<GLuint>(m_normalLocation), 4, GL_FLOAT, GL_FALSE, 0, nullptr);
    }
    g.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_glBuffers[2]);
    glDrawElements(GL_TRIANGLES, m_indexCount, GL_UNSIGNED_INT, nullptr);
    g.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    g.BindBuffer(GL_ARRAY_BUFFER, 0);
    g.DisableVertexAttribArray(position);
    if (m_normalLocation >= 0) g.DisableVertexAttribArray(static_cast<GLuint>(m_normalLocation));
  }

  int m_segmentsX;
  int m_segmentsZ;
  bool m_check;
  size_t m_width;
  size_t m_height;
  GLuint m_glBuffers[3];  // positions, normals, triangle indices
  GLsizei m_indexCount = 0;
  GLint m_positionLocation = -1;
  GLint m_normalLocation = -1;
  cl_mem m_positions;
  cl_mem m_normals;
  cl_mem m_checkBuffer;
  bool m_useLocal;
  size_t m_global[2];
  size_t m_local[2];
  std::vector<float> m_checkValues;
  float m_checkSum;
  GlslProgram m_program;
  SimpleMesh m_grid;
};

}  // namespace

DWORD WINAPI ClDeformerThread(void* slot) {
  DeformerDemo demo(static_cast<DemoSlot*>(slot));
  return RunRawDemo(demo);
}
