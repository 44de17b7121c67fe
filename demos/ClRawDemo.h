// What the four OpenCL demos share on top of the raw demo pattern: the
// OpenCL session, their catalogue row and FPS title, the availability probe
// and the work sizes, plus the lit-mesh program of the post-processing and
// mesh-deformer demos.
#pragma once
#include <cstddef>

#include "demos/ClDemoSetup.h"
#include "demos/RawDemo.h"

class ClRawDemo : public RawDemo {
 public:
  // demoNumber: 0 Julia, 1 particles, 2 mesh deformer, 3 post FX.
  ClRawDemo(DemoSlot* slot, int demoNumber, const char* titleName, const char* creationFailure);
  bool usesOpenCl() const override { return true; }
  const char* creationFailureMessage() const override { return m_creationFailure; }
  const char* catalogueName() const override;
  void formatFpsTitle(char* text, size_t size, unsigned fps) const override;

 protected:
  // Loads "OpenCL.dll" from the system folder and frees it again; false
  // after the "not installed" message.
  bool probeOpenClLibrary() const;
  // 2-D work sizes over width x height: with the explicit work-group size
  // setting a local size within the kernel's and device's limits and a
  // global size rounded up to it, else the plain size and no local size.
  void workSizes2D(size_t width, size_t height, size_t global[2], size_t local[2], bool* useLocal) const;
  // The GL interop setting was on but the demo could not share with OpenGL.
  bool interopRefused() const;

  ClDemoSession m_cl;

 private:
  int m_row;
  const char* m_titleName;
  const char* m_creationFailure;
};

// The lit-mesh program: one white light at world (20, 100, 500) in eye
// space; the material's diffuse colour is red, or the uniform "matDiffuse".
extern const char kLitMeshVertexBody[];
const char* LitMeshFragmentBody(bool uniformDiffuse);
