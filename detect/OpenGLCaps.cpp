// The caps list (every named OpenGL limit, by section) and the feature
// flags and limits the hardware object keeps.
#include <GL/glew.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "detect/GlReaders.h"
#include "detect/OpenGLCaps.h"
#include "detect/RenderWindow.h"

// Extension names of two core limits that GLEW does not spell out.
#ifndef GL_MIN_PROGRAM_TEXEL_OFFSET_EXT
#define GL_MIN_PROGRAM_TEXEL_OFFSET_EXT 0x8904
#endif
#ifndef GL_MAX_PROGRAM_TEXEL_OFFSET_EXT
#define GL_MAX_PROGRAM_TEXEL_OFFSET_EXT 0x8905
#endif


OpenGLCap::OpenGLCap(const char* n, int e, const char* s)
    : glEnum(e), kind(kCapNone), intValue(0), indexedValues{0, 0, 0}, int64Value(0),
      floatValue(0.0f), buffer(nullptr) {
  copyText(name, kGlCapTextSize, n);
  copyText(section, kGlCapTextSize, s);
}

void ReleaseOpenGLCaps(PtrList& caps) {
  for (int i = 0; i < caps.count(); ++i) {
    OpenGLCap* cap = static_cast<OpenGLCap*>(caps.itemAt(i));
    if (!cap) continue;
    free(cap->buffer);
    delete cap;
  }
  caps.clear();
}

namespace {

enum RowKind { kRowSection, kRowSeparator, kRowInt, kRowFloat, kRowInt64, kRowIndexed };

struct CapRow {
  RowKind kind;
  const char* name;
  GLenum glEnum;
};

#define QV_CAP_SECTION(name) {kRowSection, name, 0},
#define QV_CAP_SEPARATOR(name) {kRowSeparator, name, 0},
#define QV_CAP_INT(name, e) {kRowInt, name, e},
#define QV_CAP_FLOAT(name, e) {kRowFloat, name, e},
#define QV_CAP_INT64(name, e) {kRowInt64, name, e},
#define QV_CAP_INDEXED(name, e) {kRowIndexed, name, e},
const CapRow kCapRows[] = {
#include "detect/OpenGLCapsTable.inc"
};
#undef QV_CAP_SECTION
#undef QV_CAP_SEPARATOR
#undef QV_CAP_INT
#undef QV_CAP_FLOAT
#undef QV_CAP_INT64
#undef QV_CAP_INDEXED

// Clears errors a rejected query leaves behind, so that they do not leak
// into the next query's result.
void drainErrors() {
  for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

// Queries into zeroed scratch arrays: multi-value enums write more than one.
GLint queryInt(GLenum e) {
  GLint v[16] = {0};
  glGetIntegerv(e, v);
  drainErrors();
  return v[0];
}

GLfloat queryFloat(GLenum e) {
  GLfloat v[16] = {0};
  glGetFloatv(e, v);
  drainErrors();
  return v[0];
}

bool addCap(PtrList& list, const CapRow& row, const char* section) {
  OpenGLCap* cap = new (std::nothrow) OpenGLCap(row.name, static_cast<int>(row.glEnum), section);
  if (!cap) return false;
  switch (row.kind) {
    case kRowInt:
      cap->kind = kCapInt;
      cap->intValue = queryInt(row.glEnum);
      break;
    case kRowFloat:
      cap->kind = kCapFloat;
      cap->floatValue = queryFloat(row.glEnum);
      break;
    case kRowInt64: {
      cap->kind = kCapInt64;
      GLint64 v[16] = {0};
      glGetInteger64v(row.glEnum, v);
      drainErrors();
      cap->int64Value = v[0];
      break;
    }
    case kRowIndexed:
      cap->kind = kCapIndexed;
      for (GLuint i = 0; i < 3; ++i) {
        GLint v[16] = {0};
        glGetIntegeri_v(row.glEnum, i, v);
        drainErrors();
        cap->indexedValues[i] = v[0];
      }
      break;
    default:
      break;
  }
  if (list.append(cap) < 0) {
    delete cap;
    return false;
  }
  return true;
}

}  // namespace

void RenderWindow::buildOpenGLCapsList() {
  HardwareCaps* caps = this->caps();
  if (!caps) return;
  const char* section = "";
  bool sectionOn = true;  // core sections are always listed
  bool core = true;
  for (const CapRow& row : kCapRows) {
    if (row.kind == kRowSection) {
      section = row.name;
      sectionOn = core || caps->isExtensionSupported(section);
      continue;
    }
    if (row.kind == kRowSeparator) {
      OpenGLCap* sep = new (std::nothrow) OpenGLCap(row.name, 0, "");
      if (sep && caps->capsList.append(sep) < 0) delete sep;
      core = false;
      continue;
    }
    if (!sectionOn) continue;
    if (core && strcmp(row.name, "GL_NUM_PROGRAM_BINARY_FORMATS") == 0 &&
        strcmp(section, "GL_VERSION_4_1") == 0 && !caps->isGLVersionAtLeast(4, 1))
      continue;
    if (row.kind == kRowIndexed && (!glGetIntegeri_v || (core && !caps->isGLVersionAtLeast(4, 3))))
      continue;
    if (row.kind == kRowInt64 && !glGetInteger64v) continue;
    addCap(caps->capsList, row, section);
  }
}

namespace {

bool ext(const HardwareCaps& caps, const char* name) { return caps.isExtensionSupported(name); }

}  // namespace

bool readOpenGLCaps(RenderWindow& rw) {
  rw.buildOpenGLCapsList();
  HardwareCaps& c = *rw.caps();
  auto flag = [&](int i, bool v) { c.setFeatureFlag(i, v); };

  if (ext(c, "GL_ARB_tessellation_shader")) {
    flag(41, true);
    c.maxTessControlTextureImageUnits = queryInt(GL_MAX_TESS_CONTROL_TEXTURE_IMAGE_UNITS);
    c.maxTessEvaluationTextureImageUnits = queryInt(GL_MAX_TESS_EVALUATION_TEXTURE_IMAGE_UNITS);
    c.maxTessGenLevel = static_cast<float>(queryInt(GL_MAX_TESS_GEN_LEVEL));
    c.maxTessControlUniformComponents = queryInt(GL_MAX_TESS_CONTROL_UNIFORM_COMPONENTS);
    c.maxTessEvaluationUniformComponents = queryInt(GL_MAX_TESS_EVALUATION_UNIFORM_COMPONENTS);
  }
  c.maxElementsVertices = queryInt(GL_MAX_ELEMENTS_VERTICES);
  c.maxElementsIndices = queryInt(GL_MAX_ELEMENTS_INDICES);
  flag(15, c.isGLVersionAtLeast(2, 0));
  c.maxViewportSize = queryInt(GL_MAX_VIEWPORT_DIMS);

  flag(5, GLEW_ARB_multitexture);
  c.maxTextureUnits = queryInt(GL_MAX_TEXTURE_UNITS);
  c.maxTextureSize = queryInt(GL_MAX_TEXTURE_SIZE);
  c.maxVertexTextureImageUnits = queryInt(GL_MAX_VERTEX_TEXTURE_IMAGE_UNITS);
  c.maxTextureImageUnits = queryInt(GL_MAX_TEXTURE_IMAGE_UNITS);

  flag(2, GLEW_EXT_texture_filter_anisotropic);
  c.maxAnisotropy = c.getFeatureFlag(2) ? queryFloat(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT) : 1.0f;

  flag(13, c.isGLVersionAtLeast(1, 4));
  flag(6, c.isGLVersionAtLeast(1, 3));
  flag(7, GLEW_ARB_texture_env_combine && GLEW_ARB_texture_env_dot3 && c.maxTextureUnits > 2);

  flag(3, GLEW_EXT_separate_specular_color);
  if (c.getFeatureFlag(3)) {
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    drainErrors();
  }
  c.maxShininess = queryInt(GL_MAX_SHININESS_NV);
  c.maxSpotExponent = queryInt(GL_MAX_SPOT_EXPONENT_NV);

  flag(19, GLEW_ARB_vertex_buffer_object);
  flag(25, c.isGLVersionAtLeast(2, 0));
  flag(17, GLEW_ARB_shading_language_100);
  if (c.getFeatureFlag(17) && c.getFeatureFlag(25)) {
    c.maxVertexUniformComponents = queryInt(GL_MAX_VERTEX_UNIFORM_COMPONENTS);
    c.maxFragmentUniformComponents = queryInt(GL_MAX_FRAGMENT_UNIFORM_COMPONENTS);
    c.maxGeometryUniformComponents = queryInt(GL_MAX_GEOMETRY_UNIFORM_COMPONENTS);
    c.maxVaryingFloats = queryInt(GL_MAX_VARYING_FLOATS);
    c.maxVertexAttribs = queryInt(GL_MAX_VERTEX_ATTRIBS);
  }
  const char* glsl = reinterpret_cast<const char*>(glGetString(GL_SHADING_LANGUAGE_VERSION));
  drainErrors();
  copyText(c.glslVersion, kCapsTextSize, glsl ? glsl : "n.a.");

  flag(14, GLEW_EXT_stencil_wrap);
  flag(8, GLEW_EXT_stencil_two_side);
  flag(38, GLEW_ATI_separate_stencil);
  flag(9, GLEW_NV_depth_clamp);

  flag(24, GLEW_ARB_point_sprite);
  if (c.getFeatureFlag(24)) {
    c.maxPointSize = queryFloat(GL_POINT_SIZE_MAX);
    if (glPointParameterfARB) {
      glPointParameterfARB(GL_POINT_SIZE_MIN, 1.0f);
      glPointParameterfARB(GL_POINT_SIZE_MAX, c.maxPointSize);
      drainErrors();
    }
  }
  flag(26, GLEW_ARB_pixel_buffer_object);
  flag(20, GLEW_EXT_framebuffer_object);
  if (c.getFeatureFlag(20)) c.maxColorAttachments = queryInt(GL_MAX_COLOR_ATTACHMENTS);
  flag(10, GLEW_ARB_texture_compression);
  flag(11, GLEW_EXT_texture_compression_s3tc);
  flag(39, ext(c, "GL_ATI_texture_compression_3dc"));
  flag(15, GLEW_ARB_texture_non_power_of_two);
  flag(21, GLEW_NV_texture_rectangle || GLEW_ARB_texture_rectangle);
  if (c.getFeatureFlag(21)) c.maxRectangleTextureSize = queryInt(GL_MAX_RECTANGLE_TEXTURE_SIZE);
  flag(22, GLEW_ARB_texture_float || GLEW_ATI_texture_float || GLEW_NV_float_buffer);

  flag(33, GLEW_EXT_bindable_uniform);
  if (c.getFeatureFlag(33)) {
    c.maxVertexBindableUniforms = queryInt(GL_MAX_VERTEX_BINDABLE_UNIFORMS_EXT);
    c.maxFragmentBindableUniforms = queryInt(GL_MAX_FRAGMENT_BINDABLE_UNIFORMS_EXT);
    c.maxGeometryBindableUniforms = queryInt(GL_MAX_GEOMETRY_BINDABLE_UNIFORMS_EXT);
    c.maxBindableUniformSize = queryInt(GL_MAX_BINDABLE_UNIFORM_SIZE_EXT);
  }
  flag(32, GLEW_EXT_geometry_shader4);
  if (c.getFeatureFlag(32)) {
    c.maxGeometryTextureImageUnits = queryInt(GL_MAX_GEOMETRY_TEXTURE_IMAGE_UNITS_EXT);
    c.maxGeometryOutputVertices = queryInt(GL_MAX_GEOMETRY_OUTPUT_VERTICES_EXT);
  }
  if (GLEW_NV_gpu_program4) {
    c.minProgramTexelOffset = queryInt(GL_MIN_PROGRAM_TEXEL_OFFSET_NV);
    c.maxProgramTexelOffset = queryInt(GL_MAX_PROGRAM_TEXEL_OFFSET_NV);
  }
  flag(30, GLEW_EXT_texture_array);
  if (c.getFeatureFlag(30)) c.maxArrayTextureLayers = queryInt(GL_MAX_ARRAY_TEXTURE_LAYERS_EXT);
  flag(31, GLEW_EXT_texture_buffer_object);
  if (c.getFeatureFlag(31)) c.maxTextureBufferSize = queryInt(GL_MAX_TEXTURE_BUFFER_SIZE_EXT);
  flag(29, GLEW_EXT_draw_instanced || GLEW_ARB_draw_instanced);
  flag(36, GLEW_EXT_gpu_shader4);
  flag(37, ext(c, "GL_ARB_gpu_shader5"));
  c.maxDrawBuffers = queryInt(GL_MAX_DRAW_BUFFERS);
  flag(27, GLEW_ARB_draw_buffers && c.maxDrawBuffers > 1 && glDrawBuffersARB != nullptr);
  c.samples = queryInt(GL_SAMPLES);
  flag(18, GLEW_ARB_occlusion_query);
  flag(28, (GLEW_ARB_occlusion_query && GLEW_EXT_timer_query) || ext(c, "GL_ARB_timer_query"));
  c.maxLights = queryInt(GL_MAX_LIGHTS);
  return true;
}
