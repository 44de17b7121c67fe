// The drawing side of the engine stand-in: render windows on host windows,
// the renderer, and the objects of a scene (cameras, lights, meshes,
// materials, textures, GPU shaders, HUD quads, background images), created
// and found by name through their managers.
//
// Every object is created in the current render window and belongs to it:
// its OpenGL names live in that window's context, and destroying the render
// window destroys everything created in it. Objects are found by name in the
// current render window only, so demos running side by side never see each
// other's objects. All calls of one render window come from one thread at a
// time (the demos hold their lock around them).
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Korveth_nsp {

class kvRenderWindow;
class kvScene;
class kvMaterial;
class kvTexture;
class kvGpuShader;
class kvModel;

// Column-major 4 x 4 matrix, as OpenGL takes it.
struct kvMatrix4 {
  float m[16];
  kvMatrix4();  // identity
  static kvMatrix4 multiply(const kvMatrix4& a, const kvMatrix4& b);
  static kvMatrix4 translation(float x, float y, float z);
  static kvMatrix4 rotationXYZ(float degX, float degY, float degZ);
  static kvMatrix4 perspective(float fovYDeg, float aspect, float zNear, float zFar);
  static kvMatrix4 lookAt(const kvVector4& eye, const kvVector4& target, const kvVector4& up);
};

// Base of every engine object: a name, an id and the count of live objects.
class kvObject {
 public:
  kvObject(const char* name);
  virtual ~kvObject();
  kvObject(const kvObject&) = delete;
  kvObject& operator=(const kvObject&) = delete;

  const char* getName() const { return m_name.c_str(); }
  void setName(const char* name) { m_name = name ? name : ""; }
  unsigned getId() const { return m_id; }
  // Degrees per second about x, y and z, applied by update().
  void setAutoSpinAngles(float x, float y, float z);
  // The current angles about x, y and z (degrees); the spin goes on from them.
  void setAngles(float x, float y, float z);
  // Advances the object's own animation by dt seconds.
  virtual void update(float dt);
  // Draws the object with its own materials (nothing for most objects).
  virtual void render(float dt);

  // Engine objects alive in the process (render windows included).
  static int getLiveCount();

 protected:
  std::string m_name;
  unsigned m_id;
  float m_spin[3];
  float m_angles[3];
};

// An object with a place in the scene.
class kvTripod : public kvObject {
 public:
  explicit kvTripod(const char* name);
  void setPosition(float x, float y, float z);
  const kvVector4& getPosition() const { return m_position; }
  // Uniform scale, applied before the rotation.
  void setScale(float scale) { m_scale = scale; }
  kvMatrix4 getTransform() const;

 protected:
  kvVector4 m_position;
  float m_scale = 1.0f;
};

// The pixels of a texture on the host side: rows top-down, RGBA8.
class kvTextureData {
 public:
  // False, with no pixels left, when they do not fit in memory.
  bool resize(int width, int height);
  int getWidth() const { return m_width; }
  int getHeight() const { return m_height; }
  // Components 0..1.
  void fillWithColor(float r, float g, float b, float a);
  void setPixel(int x, int y, float r, float g, float b, float a);
  const uint8_t* pixels() const { return m_pixels.data(); }
  uint8_t* pixels() { return m_pixels.data(); }

 private:
  int m_width = 0;
  int m_height = 0;
  std::vector<uint8_t> m_pixels;
};

class kvTexture : public kvObject {
 public:
  // kFormatRgbaFloat: 32-bit float components (fails to upload without
  // float texture support).
  enum PixelFormat { kFormatRgb = 2, kFormatRgba = 3, kFormatRgbaFloat = 4 };
  enum Addressing { kClamp = 0, kRepeat = 1 };
  enum Filtering { kNearest = 0, kLinear = 1, kTrilinear = 2 };
  enum Target { k2D, kCubeMap };

  kvTexture(const char* name, Target target);
  ~kvTexture() override;
  void changePixelFormat(int format) { m_format = format; }
  void setAddressingMode(int u, int v);
  void setFilteringMode(int mode);
  // Samples taken along a slanted view (1: plain filtering).
  void setAnisotropy(float anisotropy) { m_anisotropy = anisotropy; }
  kvTextureData* getTextureData() { return &m_data; }
  // Sends the host pixels (and the sampling modes) to OpenGL.
  bool upload();
  // Face 0..5 of a cube map from host pixels, in OpenGL's order (+x, -x,
  // +y, -y, +z, -z).
  bool uploadCubeFace(int face, const kvTextureData& data);
  // The same from linear RGB floats (HDR images), rows top-down.
  bool uploadCubeFaceFloat(int face, int width, int height, const float* rgb);
  void bind(int unit) const;
  static void unbind(int unit);
  unsigned getGlName() const { return m_gl; }
  int getWidth() const { return m_data.getWidth(); }
  int getHeight() const { return m_data.getHeight(); }

 protected:
  Target m_target;
  int m_format;
  int m_addressing[2];
  int m_filtering;
  float m_anisotropy = 1.0f;
  kvTextureData m_data;
  unsigned m_gl;
};

class kvTextureMgr {
 public:
  static kvTextureMgr* getInstance();
  // An empty RGBA texture of that size; its pixels are set through
  // getTextureData() and sent with upload().
  kvTexture* createTexture2D(const char* name, int width, int height);
  // Decoded from image file bytes (JPEG, PNG, BMP, TGA) and uploaded.
  kvTexture* createTexture2DFromMemory(const char* name, const void* data, size_t size);
  // Read from an image file (relative to the working folder); not uploaded,
  // so that the caller sets its sampling modes first.
  kvTexture* loadTexture2D(const char* name, const char* path);
  kvTexture* getTexture(const char* name);
  void destroyTexture(kvTexture* texture);
};

class kvGpuShader : public kvObject {
 public:
  explicit kvGpuShader(const char* name);
  ~kvGpuShader() override;
  // What a load gives: kLoaded; kCompileError when the stage does not
  // compile (its stage log says why); kLinkError, from the pixel stage that
  // links the program, when both stages compile but do not link (the
  // program log says why). length counts the terminating zero.
  enum LoadResult { kLoaded = 0, kCompileError = 1, kLinkError = 2 };
  int loadVertexShaderFromMemory(const char* source, size_t length);
  int loadPixelShaderFromMemory(const char* source, size_t length);
  const char* getVertexLog() const { return m_vertexLog.c_str(); }
  const char* getPixelLog() const { return m_pixelLog.c_str(); }
  const char* getProgramLog() const { return m_programLog.c_str(); }
  void bind();
  static void unbind();
  void setUniform1f(const char* name, float v);
  void setUniform1i(const char* name, int v);
  void setUniform4f(const char* name, float x, float y, float z, float w);
  void setUniform2f(const char* name, float x, float y);
  void setUniform3f(const char* name, float x, float y, float z);
  // Arrays of count vectors.
  void setUniform2fv(const char* name, int count, const float* values);
  void setUniform4fv(const char* name, int count, const float* values);
  void setUniformMatrix4(const char* name, const kvMatrix4& m);
  unsigned getGlProgram() const { return m_program; }

 private:
  int compile(unsigned type, const char* source, size_t length, unsigned* shader, std::string* log);
  unsigned m_vertex;
  unsigned m_pixel;
  unsigned m_program;
  std::string m_vertexLog;
  std::string m_pixelLog;
  std::string m_programLog;
};

class kvGPUShaderMgr {
 public:
  static kvGPUShaderMgr* getInstance();
  kvGpuShader* createGPUShader(const char* name);
  kvGpuShader* getGPUShader(const char* name);
  void killGpuShader(kvGpuShader* shader);
};

class kvMaterial : public kvObject {
 public:
  // Blending factors, as the material numbers them.
  enum Factor { kZero, kOne, kSrcAlpha, kSrcColor, kOneMinusSrcColor, kOneMinusSrcAlpha, kDstAlpha,
                kDstColor, kOneMinusDstAlpha, kOneMinusDstColor };
  static const int kMaxTextures = 4;

  explicit kvMaterial(const char* name);
  void setAmbient(const kvVector4& c) { m_ambient = c; }
  void setDiffuse(const kvVector4& c) { m_diffuse = c; }
  void setSpecular(const kvVector4& c) { m_specular = c; }
  // Specular exponent, 0..128.
  void setShininess(float shininess) { m_shininess = shininess; }
  void setBlending(bool on, int srcFactor, int dstFactor);
  bool isBlending() const { return m_blending; }
  // Unit = order of addition; false when all units are taken.
  bool addTexture(kvTexture* texture);
  kvTexture* getTexture(int unit) const;
  void setGpuShader(kvGpuShader* shader) { m_shader = shader; }
  kvGpuShader* getGpuShader() const { return m_shader; }

  // The parts of a material the renderer takes (the argument is reserved).
  void applyRasterizerStateToRenderer(int reserved);
  void applyMaterialColorsToRenderer(int reserved);
  void applyTexturesToRenderer(int reserved);
  void applyBlendingStateToRenderer(int reserved);
  // All of them, and the GPU shader when the material has one.
  void apply();
  // Undoes apply(): textures off, blending off, program unbound.
  void unapply();

 private:
  kvVector4 m_ambient, m_diffuse, m_specular;
  float m_shininess = 0.0f;
  bool m_blending;
  int m_src, m_dst;
  kvTexture* m_textures[kMaxTextures];
  int m_textureCount;
  kvGpuShader* m_shader;
};

class kvMaterialMgr {
 public:
  static kvMaterialMgr* getInstance();
  // A null name gives an unnamed material.
  kvMaterial* createMaterial(const char* name);
  kvMaterial* getMaterial(const char* name);
  // Orders the current render window's materials: opaque before blended.
  void classifyMaterials();
};

// Vertices (position, normal, texture coordinate, colour) and triangles.
class kvMeshData {
 public:
  struct Vertex {
    float position[3];
    float normal[3];
    float uv[2];
    float color[4];
  };
  ~kvMeshData();
  std::vector<Vertex>& vertices() { return m_vertices; }
  std::vector<uint32_t>& indices() { return m_indices; }
  void setVerticesColor(const kvVector4& c);
  // Drawing options by number (0..31), kept for the demos that set them.
  void setOptionsState(int option, bool on);
  bool getOptionsState(int option) const;
  // Sets the vertex arrays up for drawing (uploading them the first time).
  void bind();
  void release();
  // Draws the triangles, instances times in one call when more than one.
  void draw(int instances = 1);

 private:
  std::vector<Vertex> m_vertices;
  std::vector<uint32_t> m_indices;
  unsigned m_buffers[2] = {0, 0};
  uint32_t m_options = 0;
  bool m_dirty = true;
  bool m_bound = false;
};

class kvMesh : public kvTripod {
 public:
  explicit kvMesh(const char* name);
  // A box centred on the origin, each face split into segments x segments
  // quads, normals outwards, texture coordinates 0..1 per face.
  void createBox(float width, float height, float depth, int segments);
  // The same with its own number of segments along x, y and z.
  void createBox(float width, float height, float depth, int segmentsX, int segmentsY, int segmentsZ);
  // A torus in the xz plane.
  void createTorus(float radius, float tubeRadius, int rings, int sides);
  // A flat grid in the xz plane, centred, normals up.
  void createGrid(float width, float depth, int subdivisions);
  // A sphere centred on the origin: rings from pole to pole, segments
  // around the y axis.
  void createSphere(float radius, int rings, int segments);
  // A trefoil knot of that overall radius: a tube swept along the curve,
  // segmentsPerLobe rings for each of its three lobes, sides vertices
  // around each ring.
  void createKnot(float radius, int segmentsPerLobe, int sides);
  void assignMaterialToFaces(kvMaterial* material) { m_material = material; }
  kvMaterial* getMaterial() const { return m_material; }
  kvMeshData* getMeshData() { return &m_data; }
  void setDrawnByScene(bool drawn) { m_drawnByScene = drawn; }
  bool isDrawnByScene() const { return m_drawnByScene; }
  // Instances per draw (1: plain drawing).
  void setNumDrawInstances(int count) { m_instances = count < 1 ? 1 : count; }
  // The mesh at its place with whatever material and data are bound.
  void draw();
  // The mesh with its own material.
  void render(float dt) override;

 private:
  kvMeshData m_data;
  kvMaterial* m_material;
  bool m_drawnByScene;
  int m_instances;
};

// A ground grid: a mesh whose size and subdivisions can be set.
class kvGrid : public kvMesh {
 public:
  explicit kvGrid(const char* name);
  void setSize(float width, float depth);
  void setNumberOfSubdivisions(int count);
  // Drawn as lines, unlit.
  void render(float dt) override;

 private:
  float m_width, m_depth;
  int m_subdivisions;
};

// A cube of six images around the camera, drawn behind everything.
class kvSkybox : public kvTripod {
 public:
  explicit kvSkybox(const char* name);
  // Face 0..5 (right +x, left -x, front -z, back +z, top +y, bottom -y)
  // from an image file.
  bool loadFace(int face, const char* path);
  // An existing cube map instead of the faces.
  void setCubemap(kvTexture* cubemap) { m_cubemap = cubemap; }
  kvTexture* getCubemap() const { return m_cubemap; }
  // Drawn with the current camera's rotation.
  void render(float dt) override;

 private:
  kvTexture* m_cubemap;
};

// Off-screen drawing: colour outputs (RGBA8 textures) and a depth buffer,
// or a depth texture alone.
class kvRenderTexture : public kvTexture {
 public:
  // floatColor: 16-bit float components instead of 8-bit ones.
  kvRenderTexture(const char* name, int width, int height, bool depth, bool floatColor = false);
  int getWidth() const { return m_width; }
  int getHeight() const { return m_height; }

 private:
  int m_width, m_height;
};

class kvRenderTarget : public kvObject {
 public:
  static const int kMaxOutputs = 4;
  explicit kvRenderTarget(const char* name);
  ~kvRenderTarget() override;
  // False when the driver cannot make it.
  // floatColor: 16-bit float components instead of 8-bit ones.
  bool create(int width, int height, int colorOutputs, bool floatColor = false);
  // A shadow map: its depth texture samples as a depth comparison, and
  // outside the map compares as lit.
  bool createDepthTarget(int width, int height);
  kvRenderTexture* getRenderTexture(int output) const;
  kvRenderTexture* getDepthTexture() const { return m_depth; }
  // Draws go to the target until unbind.
  void bind();
  static void unbind();
  int getWidth() const { return m_width; }
  int getHeight() const { return m_height; }

 private:
  unsigned m_fbo, m_depthBuffer;
  int m_width, m_height, m_outputs;
  kvRenderTexture* m_colors[kMaxOutputs];
  kvRenderTexture* m_depth;
};

// A textured rectangle in window pixels, centred on its position (origin at
// the window centre, y upwards): the HUD's images.
class kvQuad : public kvTripod {
 public:
  explicit kvQuad(const char* name);
  void setSize(float width, float height);
  void setMaterial(kvMaterial* material) { m_material = material; }
  void render(float dt) override;

 private:
  float m_width, m_height;
  kvMaterial* m_material;
};

// A picture behind the whole scene, stretched over the window.
class kvBkgImage : public kvObject {
 public:
  explicit kvBkgImage(const char* name);
  void setMaterial(kvMaterial* material) { m_material = material; }
  void render(float dt) override;

 private:
  kvMaterial* m_material;
};

// What a light hands to shaders and passes.
struct kvLightData {
  kvVector4 position;
  kvVector4 ambient, diffuse, specular;
};

class kvLight : public kvTripod {
 public:
  explicit kvLight(const char* name);
  kvLightData getLightData() const;
  void setAmbient(const kvVector4& c) { m_ambient = c; }
  void setDiffuse(const kvVector4& c) { m_diffuse = c; }
  void setSpecular(const kvVector4& c) { m_specular = c; }
  // Hands the light to the fixed-function unit (after the view is loaded).
  void apply(int unit) const;

 private:
  kvVector4 m_ambient, m_diffuse, m_specular;
};

class kvLightMgr {
 public:
  static kvLightMgr* getInstance();
  kvLight* createLightPoint(const char* name);
};

class kvCamera : public kvTripod {
 public:
  explicit kvCamera(const char* name);
  void setViewport(int x, int y, int width, int height);
  void setProjPerspParams(float fovYDeg, float aspect, float zNear, float zFar);
  void setViewParams(const kvVector4& eye, const kvVector4& target, const kvVector4& up);
  const kvMatrix4& getViewMatrix() const { return m_view; }
  const kvMatrix4& getProjectionMatrix() const { return m_projection; }
  kvMatrix4 getInverseViewMatrix() const;
  // Hands the viewport, the projection and the view (each when asked) to
  // the renderer.
  void apply(bool viewport, bool projection, bool view) const;

 private:
  int m_viewport[4];
  kvMatrix4 m_projection;
  kvMatrix4 m_view;
};

class kvCameraMgr {
 public:
  static kvCameraMgr* getInstance();
  kvCamera* createCameraPerspective(const char* name, float fovYDeg, float aspect, float zNear, float zFar);
};

// The objects of one demo's picture. Objects added to a scene are not owned
// by it (their render window owns them).
class kvScene : public kvObject {
 public:
  explicit kvScene(const char* name);
  void setBkgColor(float r, float g, float b, float a);
  const float* getBkgColor() const { return m_bkg; }
  void addObject(kvObject* object);
  // The lights among the scene's objects, in the order they were added.
  kvLinkedList* getLightList() { return &m_lights; }
  void setCamera(kvCamera* camera) { m_camera = camera; }
  // Takes the camera whose view the scene's lights are placed in.
  void prepareForCamera(kvCamera* camera) { m_camera = camera; }
  // Advances every object's animation.
  void animate(float dt);
  // Per frame, in this order: background images; lights and the meshes the
  // scene draws itself; closing (states back to the renderer's defaults).
  void renderBackground(float dt);
  void renderObjects(float dt);
  void renderEnd(float dt);

 private:
  float m_bkg[4];
  kvCamera* m_camera;
  std::vector<kvObject*> m_objects;
  kvLinkedList m_lights;
};

class kvSceneMgr {
 public:
  static kvSceneMgr* getInstance();
  kvScene* createScene(const char* name);
  // Destroys the scene object (not the objects added to it).
  void destroyScene(kvScene* scene);
};

// OpenGL context on a host window, with the objects created in it.
class kvRenderWindow : public kvObject {
 public:
  kvRenderWindow(HWND window, int width, int height, int samples);
  ~kvRenderWindow() override;
  HWND getWindow() const { return m_window; }
  int getWidth() const { return m_width; }
  int getHeight() const { return m_height; }
  int getSamples() const { return m_samples; }
  bool makeCurrent();
  bool swap();
  // The colour buffer being drawn (before present): RGBA8, rows bottom-up.
  bool readPixels(int x, int y, int width, int height, uint8_t* rgba);

  // What the window shows of its frames, read back like its pixels: the
  // texts drawn since the frame began, in order, and the mesh draws made
  // into it while no frame was open.
  struct DrawnText {
    std::string text;
    float x, y;
  };
  const std::vector<DrawnText>& getFrameTexts() const { return m_frameTexts; }
  int getDrawsOutsideFrames() const { return m_drawsOutsideFrames; }
  // Used by the renderer and the meshes.
  void beginFrame();
  void endFrame() { m_inFrame = false; }
  void noteText(const char* text, float x, float y) { m_frameTexts.push_back({text ? text : "", x, y}); }
  void noteDraw() {
    if (!m_inFrame) ++m_drawsOutsideFrames;
  }

  // Used by the managers.
  void adopt(kvObject* object);
  void destroyObject(kvObject* object);
  kvObject* findObject(const char* name) const;
  const std::vector<kvObject*>& objects() const { return m_objects; }
  bool createContext(int colorBits, int depthBits, int stencilBits, int samples, int swapInterval,
                     bool compatibility, int glMajor, int glMinor);

 private:
  HWND m_window;
  HDC m_dc;
  HGLRC m_rc;
  int m_width, m_height, m_samples;
  std::vector<kvObject*> m_objects;
  bool m_inFrame;
  int m_drawsOutsideFrames;
  std::vector<DrawnText> m_frameTexts;
};

// Drawing calls of the current render window.
class kvRenderer {
 public:
  enum State { kStateDepthTest = 0, kStateLighting = 1, kStateCulling = 2, kStateCount = 3 };

  static kvRenderer* getInstance();
  // Back to the default states (depth test and culling on, no lighting, no
  // blending, no program).
  void resetStates();
  void setRenderState(int state, bool on);
  void beginFrame(int clearBuffers);
  void endFrame(int reserved);
  void setClearColor(float r, float g, float b, float a);
  // The light model's ambient colour.
  void setGlobalAmbientColor(const kvVector4& c);
  void clear(bool color, bool depth, bool stencil);
  // Text overlay: window pixels, top-left origin, no depth.
  void beginTextOverlay(int reserved);
  void endTextOverlay(int reserved);
  void createFont(kvFont* font);
  void releaseFont(kvFont* font);
  void drawFont(const kvFont* font);
  // Samples per pixel of the current render window's frame buffer.
  int getSamples() const;

  // Multi-pass drawing (shadow maps, lit passes added up).
  // Texture matrix of a unit (identity to reset it).
  void setTextureMatrix(int unit, const kvMatrix4& m);
  // Each draw adds to the frame (source and destination factors 1) over
  // the depth laid down before, without writing depth; off: back to opaque.
  void setAdditivePass(bool on);
  // Culls front faces instead of back faces (a shadow map of back faces
  // does not shadow the lit surfaces themselves).
  void setCullFrontFaces(bool on);

  // Passes of the post-processing and particle demos.
  // Blending with the material's factor numbers (kvMaterial::Factor).
  void setBlendingState(bool on, int srcFactor, int dstFactor);
  // A rectangle over the whole viewport of that size in pixels, texture
  // coordinates 0..1, drawn with the bound program and textures.
  void drawScreenQuad(int width, int height);
  // Point sprites: sized by the vertex program, no depth writes.
  void setPointSpriteState(bool on);
  // count points from client arrays: positions, texture coordinate 0 and
  // colours, four floats each.
  void drawPoints(int count, const kvVector4* positions, const kvVector4* texCoords, const kvVector4* colors);
};

// The engine.
class Korveth {
 public:
  // Called after a frame is drawn, before it is presented, with the render
  // window current: tests read the frame back here.
  typedef void (*FrameHook)(kvRenderWindow* window, void* user);

  static Korveth* getInstance();
  bool startup(int glMajor, int glMinor, void* reserved);
  void shutdown(kvRenderWindow* renderWindow);
  bool isStarted() const { return m_started; }

  // A context on the host window: colour, depth and stencil bits, samples
  // (0: none), buffers (2: double buffering), swap interval and profile
  // (1: compatibility). Null when no such context can be made. The new
  // window becomes current.
  kvRenderWindow* createRenderWindow(HWND window, int width, int height, int colorBits, int depthBits,
                                     int stencilBits, int samples, int buffers, int swapInterval,
                                     int profile);
  bool setCurrentRenderWindow(kvRenderWindow* window);
  kvRenderWindow* getCurrentRenderWindow() const;
  bool displayCurrentRenderWindow();
  void destroyRenderWindow(kvRenderWindow* window);

  kvMesh* createMesh(const char* name);
  kvGrid* createGrid(const char* name);
  kvSkybox* createSkybox(const char* name);
  kvRenderTarget* createRenderTarget(const char* name);
  // Destroys a render target of the current render window (its textures
  // with it) before the window goes.
  void destroyRenderTarget(kvRenderTarget* target);
  kvQuad* createHud(const char* name);
  kvBkgImage* createBkgImage(const char* name);
  // A model file's meshes (3DS), as children of one model object; null when
  // the file is missing or damaged. options: reserved.
  kvModel* createAndLoadModel(const char* name, const char* path, int options);

  void setFrameHook(FrameHook hook, void* user);

 private:
  Korveth();
  bool m_started;
  int m_glMajor;
  int m_glMinor;
  FrameHook m_hook;
  void* m_hookUser;
};

// ------------------------------------------------ models, HDR images, caps --

// A file's bytes (at most maxBytes); false when it cannot be opened or its
// bytes do not fit in memory.
bool kvReadFile(const char* path, size_t maxBytes, std::vector<uint8_t>* bytes);

// Meshes loaded from one model file.
class kvModel : public kvTripod {
 public:
  explicit kvModel(const char* name);
  void addChild(kvMesh* mesh) { m_children.push_back(mesh); }
  kvMesh* getChild(const char* name) const;
  int getNumChildren() const { return static_cast<int>(m_children.size()); }
  void render(float dt) override;

 private:
  std::vector<kvMesh*> m_children;
};

// The meshes of a 3DS file's bytes, added to model: every object's
// triangle mesh with its texture coordinates, smooth normals, and the
// material named by its faces (found or created by that name). Sizes and
// counts are checked against the bytes before anything is allocated;
// false when the file holds no mesh or is damaged.
bool kvLoad3dsModel(kvModel* model, const uint8_t* data, size_t size);

// Radiance (RGBE) images.
class kvRgbeReader {
 public:
  // Decodes the bytes (flat or run-length rows) into linear RGB floats,
  // rows top-down. Refuses sizes above maxSide a side before allocating.
  static bool decode(const uint8_t* data, size_t size, int maxSide, std::vector<float>* rgb, int* width,
                     int* height);
  // A cube map from a vertical cross image (3 faces wide, 4 high: top,
  // then left, front, right, then bottom, then back upside down) with
  // 16-bit float texels; null when unreadable or when its faces exceed the
  // device's texture size.
  static kvTexture* loadRGBECubeMap(const char* name, const char* path);
};

// What the device of the current render window offers. Tests may lower a
// limit to see a demo refuse.
class kvHardwareCaps {
 public:
  enum Limit {
    kMaxTextureSize,
    kMaxRenderbufferSize,
    kMaxVertexUniformComponents,
    kMaxDrawBuffers,
    kFloatTextures,     // 1 when float textures can be drawn into
    kInstancing,        // 1 with instanced draws and gl_InstanceID
    kMaxPointSize,
    kMaxViewportSize,   // the width of the largest viewport
    kLimitCount
  };
  static kvHardwareCaps* getInstance();
  // 1 NVIDIA, 2 AMD, 0 any other.
  int getGPUVendor() const;
  int getLimit(Limit limit) const;
  bool isInstancingSupported() const { return getLimit(kInstancing) != 0; }
  // A value below 0 removes the override.
  void overrideLimit(Limit limit, int value);

 private:
  kvHardwareCaps();
  int m_override[kLimitCount];
};

// The current render window's object of that name and type, or null.
template <class T>
T* kvFindCurrent(const char* name) {
  kvRenderWindow* w = Korveth::getInstance()->getCurrentRenderWindow();
  return w ? dynamic_cast<T*>(w->findObject(name)) : nullptr;
}

}  // namespace Korveth_nsp
