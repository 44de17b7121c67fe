// A GLSL program of up to five stages for the raw demos, with uniform setters
// by name. Needs the demo's GlRenderContext current on the calling thread.
#pragma once
#include <GL/glew.h>

#include <cstddef>

class GlslProgram {
 public:
  enum Stage { kVertex = 0, kPixel, kGeometry, kTessControl, kTessEvaluation, kStageCount };

  GlslProgram();
  ~GlslProgram();
  GlslProgram(const GlslProgram&) = delete;
  GlslProgram& operator=(const GlslProgram&) = delete;

  // length: the source's bytes, usually with its terminating zero; the source
  // need not be terminated within length.
  bool compileVertexShader(const char* source, size_t length);
  bool compilePixelShader(const char* source, size_t length);
  bool compileShader(int stage, const char* source, size_t length);
  // Links on the first successful call; binds the program on every call.
  bool link();
  void unbind();
  // Driver text of the last compile or link failure; null when none.
  const char* getInfoLog() const { return m_infoLog; }
  GLint getAttribLocation(const char* name) const;
  void setUniform1f(const char* name, float v);
  void setUniform1i(const char* name, GLint v);
  void setUniform4f(const char* name, float x, float y, float z, float w);
  void setUniformArray(const char* name, GLsizei count, const float* vectors4);
  void setUniformMatrix4(const char* name, const float* m16);
  void release();

  GLuint programName() const { return m_program; }
  bool isLinked() const { return m_linked; }

 private:
  struct Compiled {
    GLuint shader;
    bool ok;
  };
  Compiled compile(GLenum type, const char* source, const char* stageName, GLuint* field);
  bool keepSource(char** copy, size_t* copyLength, const char* source, size_t length);
  GLint uniformLocation(const char* name) const;
  void deleteShader(GLuint* field);
  void readLog(bool program, GLuint object);

  GLuint m_program;
  bool m_linked;
  GLuint m_vertexShader;
  bool m_vertexCompiled;
  GLuint m_pixelShader;
  bool m_pixelCompiled;
  GLuint m_stageShaders[kStageCount];
  char* m_vertexSource;
  size_t m_vertexSourceLength;
  char* m_pixelSource;
  size_t m_pixelSourceLength;
  char* m_infoLog;
};
