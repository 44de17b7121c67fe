// What the Vulkan2 plug-in logs when a step of a texture load or a mesh
// buffer creation fails on the stand-in loader: one error line per failing
// step, in the system's own words, with the sizes the step dealt with.
#define VK_NO_PROTOTYPES
#include <vulkan/vulkan.h>

#include <cstring>
#include <string>
#include <vector>

#include "window_fixtures.h"

namespace {

// How a step is made to fail: the n-th resource call from the operation's
// start fails, or the configuration leaves no memory type to choose.
struct FailingStep {
  const char* step;
  int failing_call;                // 0: none
  void (*config)(FakeVkConfig&);  // null: the plain configuration
  const char* message;             // for meshes a format taking the mesh id
};

void no_linear_image_memory(FakeVkConfig& c) { c.linear_image_types_denied = ~0u; }
void no_optimal_image_memory(FakeVkConfig& c) { c.optimal_image_types_denied = ~0u; }
void no_buffer_memory(FakeVkConfig& c) { c.buffer_types_denied = ~0u; }

class FakeMessageTest : public FakeWindowTest {
 protected:
  void SetUp() override {
    FakeWindowTest::SetUp();
    ASSERT_TRUE(start(window_config()));
  }
  void restart() {
    renderer->terminate();
    ASSERT_TRUE(start(window_config()));
  }
  // Starts again, makes the step fail, runs op (which must answer false)
  // and gives the error lines it logged. A memory configuration is set once
  // the device stands: it holds for the resources made from then on.
  template <typename Op>
  std::vector<std::string> errors_of(const FailingStep& s, Op op) {
    restart();
    if (s.config) {
      FakeVkConfig config = window_config();
      s.config(config);
      FakeLoader::get().configure(config);
    }
    log.lines.clear();
    FakeLoader::get().fail_call(s.failing_call);
    EXPECT_FALSE(op());
    FakeLoader::get().fail_call(0);
    std::vector<std::string> errors;
    for (const auto& line : log.lines)
      if (line.first == tvc::LogMgr::kError) errors.push_back(line.second);
    return errors;
  }
  // Each step, made to fail in turn, logs its message and nothing else
  // (with mesh_id, the message's "%d" is the mesh id).
  template <size_t N, typename Op>
  void expect_step_lines(const char* what, const FailingStep (&steps)[N], Op op, int mesh_id = -1) {
    for (const FailingStep& s : steps) {
      SCOPED_TRACE(std::string(what) + ": " + s.step);
      std::string message = s.message;
      if (mesh_id >= 0) message.replace(message.find("%d"), 2, std::to_string(mesh_id));
      EXPECT_EQ(errors_of(s, op), std::vector<std::string>{message});
    }
  }
};

using Lines = std::vector<std::string>;

TEST_F(FakeMessageTest, EachFailingStepOfA2dTextureLoadLogsItsOwnLine) {
  const FailingStep steps[] = {
      {"staging image", 1, nullptr,
       "texture_2d_load - unable to create a mappable image object for texture checker (err: "
       "VK_ERROR_OUT_OF_DEVICE_MEMORY (-2))."},
      {"staging memory type", 0, no_linear_image_memory,
       "texture checker - unable to find a memory type for texture 2D object (required size: 64 bytes)"},
      {"staging memory", 2, nullptr,
       "texture_2d_load - unable to allocate mappable memory for texture checker (required size: 64 bytes) - err: "
       "VK_ERROR_OUT_OF_DEVICE_MEMORY (-2)"},
      {"staging bind", 3, nullptr,
       "texture_2d_load - unable to bind mappable image memory for texture checker (err: "
       "VK_ERROR_OUT_OF_DEVICE_MEMORY (-2))."},
      {"staging map", 4, nullptr,
       "texture_2d_load - unable to map memory data for texture checker (err: VK_ERROR_MEMORY_MAP_FAILED (-5))."},
      {"device image", 5, nullptr,
       "texture_2d_load - unable to create the device image object (err: VK_ERROR_OUT_OF_DEVICE_MEMORY (-2))."},
      {"device memory type", 0, no_optimal_image_memory,
       "texture checker - unable to find a memory type for texture 2D object (required size: 4096 bytes)"},
      {"device memory", 6, nullptr,
       "texture_2d_array_load - unable to allocate device memory (err: VK_ERROR_OUT_OF_DEVICE_MEMORY (-2))."},
      {"device bind", 7, nullptr,
       "texture_2d_load - unable to bind device image memory for texture checker (err: "
       "VK_ERROR_OUT_OF_DEVICE_MEMORY (-2))."},
      {"view", 8, nullptr,
       "texture_2d_load - unable to create a view for texture checker (err: VK_ERROR_OUT_OF_DEVICE_MEMORY (-2))."},
  };
  tvc::TextureData texture;
  texture.create(tvc::TextureData::kType2D, 4, 4, tvc::PF_RGBA_U8);
  texture.set_name("checker");
  expect_step_lines("2D load", steps, [&] { return renderer->texture_load(gpu, &texture, 0); });
  restart();
  ASSERT_TRUE(renderer->texture_load(gpu, &texture, 0));
  // An update whose map fails names the update.
  log.lines.clear();
  FakeLoader::get().fail_call(1);
  EXPECT_FALSE(renderer->texture_2d_update(&texture, 0, 0, 0, 0, 0));
  FakeLoader::get().fail_call(0);
  EXPECT_EQ(log.level_of("texture_2d_update - unable to map memory data for texture checker (err: "
                         "VK_ERROR_MEMORY_MAP_FAILED (-5))."),
            tvc::LogMgr::kError);
  EXPECT_TRUE(renderer->texture_2d_update(&texture, 0, 0, 0, 0, 0));
  EXPECT_TRUE(renderer->texture_unload(&texture));
  expect_nothing_left();
}

TEST_F(FakeMessageTest, EachFailingStepOfA2dArrayLoadLogsItsOwnLine) {
  const FailingStep steps[] = {
      {"layer 0 image", 1, nullptr, "texture_2d_array_load - unable to create an image object for layer 0 (err=-2)."},
      {"layer 0 memory type", 0, no_linear_image_memory,
       "texture_2d_array_load - unable to find a memory type for layer 0 (required size: 64 bytes)."},
      {"layer 0 memory", 2, nullptr, "texture_2d_array_load - unable to allocate memory for layer 0 (err=-2)."},
      {"layer 0 bind", 3, nullptr, "texture_2d_array_load - unable to bind the layer 0 (err=-2)."},
      {"layer 0 map", 4, nullptr, "texture_2d_array_load - unable to map memory data for layer 0 (err=-5)."},
      {"layer 1 image", 5, nullptr, "texture_2d_array_load - unable to create an image object for layer 1 (err=-2)."},
      {"layer 1 memory", 6, nullptr, "texture_2d_array_load - unable to allocate memory for layer 1 (err=-2)."},
      {"layer 1 bind", 7, nullptr, "texture_2d_array_load - unable to bind the layer 1 (err=-2)."},
      {"layer 1 map", 8, nullptr, "texture_2d_array_load - unable to map memory data for layer 1 (err=-5)."},
      {"main image", 9, nullptr, "texture_2d_array_load - unable to create the main image object (err=-2)."},
      {"main memory type", 0, no_optimal_image_memory,
       "texture_2d_array_load - unable to find a memory type for the main image (required size: 4096 bytes)."},
      {"main memory", 10, nullptr, "texture_2d_array_load - unable to allocate memory (err=-2)."},
      {"main bind: the layer count in the layer's place", 11, nullptr,
       "texture_2d_array_load - unable to bind the layer 2 (err=-2)."},
      {"view", 12, nullptr, "texture_2d_array_load - unable to create a view (err=-2)."},
  };
  tvc::TextureData layers;
  layers.create(tvc::TextureData::kType2DArray, 4, 4, tvc::PF_RGBA_U8, 2);
  expect_step_lines("array load", steps, [&] { return renderer->texture_load(gpu, &layers, 0); });
  restart();
  EXPECT_TRUE(renderer->texture_load(gpu, &layers, 0));
  EXPECT_TRUE(renderer->texture_unload(&layers));
  expect_nothing_left();
}

// The stand-in's linear images have rows of 4 bytes a pixel: 16-byte texels
// do not fit them, and the loads refuse the copy with a line.
TEST_F(FakeMessageTest, ARowPitchTooSmallForTheTexelsIsRefusedWithALine) {
  const FailingStep none = {"rows too wide", 0, nullptr, ""};
  tvc::TextureData flat, layers;
  flat.create(tvc::TextureData::kType2D, 4, 4, tvc::PF_RGBA_F32);
  flat.set_name("wide");
  layers.create(tvc::TextureData::kType2DArray, 4, 4, tvc::PF_RGBA_F32, 2);
  layers.set_name("wide layers");
  EXPECT_EQ(errors_of(none, [&] { return renderer->texture_load(gpu, &flat, 0); }),
            Lines{"texture_2d_load - the staging image of texture wide cannot hold its rows (row pitch: 16 bytes, "
                  "row size: 64 bytes)."});
  EXPECT_EQ(errors_of(none, [&] { return renderer->texture_load(gpu, &layers, 0); }),
            Lines{"texture_2d_array_load - the staging image of texture wide layers cannot hold its rows (row "
                  "pitch: 16 bytes, row size: 64 bytes)."});
  expect_nothing_left();
}

// Creation sizes are the data's (192 bytes of vertices, 12 of indices);
// memory-type, allocation and bind sizes those of the memory requirements
// (the stand-in rounds buffers up to 256 bytes).
TEST_F(FakeMessageTest, EachFailingStepOfAMeshBufferLogsItsOwnLineWithItsSize) {
  const FailingStep vertex_steps[] = {
      {"staging buffer", 1, nullptr,
       "mesh %d - unable to create a mappable vertex buffer object (required size: 192 bytes) - err: "
       "VK_ERROR_OUT_OF_DEVICE_MEMORY (-2)."},
      {"staging memory type", 0, no_buffer_memory,
       "mesh %d - unable to find a memory type for vertex buffer object (required size: 256 bytes)"},
      {"staging memory", 2, nullptr,
       "mesh %d - unable to allocate mappable memory for vertex buffer object (alloc size: 256 bytes) - err: "
       "VK_ERROR_OUT_OF_DEVICE_MEMORY (-2)."},
      {"staging bind", 3, nullptr,
       "mesh %d - unable to bind the mappable buffer memory for the vertex buffer object (alloc size: 256 bytes) - "
       "err: VK_ERROR_OUT_OF_DEVICE_MEMORY (-2)."},
      {"device buffer", 4, nullptr,
       "mesh %d - unable to create a device vertex buffer object (required size: 192 bytes) - err: "
       "VK_ERROR_OUT_OF_DEVICE_MEMORY (-2)."},
      {"device memory", 5, nullptr,
       "mesh %d - unable to allocate device memory for vertex buffer object (alloc size: 256 bytes) - err: "
       "VK_ERROR_OUT_OF_DEVICE_MEMORY (-2)."},
      {"device bind", 6, nullptr,
       "mesh %d - unable to bind the device buffer memory for the vertex buffer object (alloc size: 256 bytes) - "
       "err: VK_ERROR_OUT_OF_DEVICE_MEMORY (-2)."},
  };
  const FailingStep index_steps[] = {
      {"staging buffer", 1, nullptr,
       "mesh %d - unable to create a mappable index buffer object (required size: 12 bytes) - err: "
       "VK_ERROR_OUT_OF_DEVICE_MEMORY (-2)"},
      {"staging memory type", 0, no_buffer_memory,
       "mesh %d - unable to find a memory type for index buffer object (required size: 256 bytes)"},
      {"staging memory", 2, nullptr,
       "mesh %d - unable to allocate mappable memory for index buffer object (alloc size: 256 bytes) - err: "
       "VK_ERROR_OUT_OF_DEVICE_MEMORY (-2)."},
      {"staging bind", 3, nullptr,
       "mesh %d - unable to bind the mappable buffer memory for index buffer object (alloc size: 256 bytes) - err: "
       "VK_ERROR_OUT_OF_DEVICE_MEMORY (-2)."},
      {"device buffer", 4, nullptr,
       "mesh %d - unable to create a device index buffer object (required size: 12 bytes) - err: "
       "VK_ERROR_OUT_OF_DEVICE_MEMORY (-2)"},
      {"device memory", 5, nullptr,
       "mesh %d - unable to allocate device memory for index buffer object (alloc size: 256 bytes) - err: "
       "VK_ERROR_OUT_OF_DEVICE_MEMORY (-2)."},
      {"device bind", 6, nullptr,
       "mesh %d - unable to bind the device buffer memory for index buffer object (alloc size: 256 bytes) - err: "
       "VK_ERROR_OUT_OF_DEVICE_MEMORY (-2)."},
  };
  tvc::GeometryCore mesh;
  one_triangle(&mesh);
  expect_step_lines(
      "vertices", vertex_steps, [&] { return renderer->mesh_create_vertex_buffer(gpu, &mesh); }, mesh.mesh_id);
  expect_step_lines(
      "indices", index_steps, [&] { return renderer->mesh_create_index_buffer(gpu, &mesh); }, mesh.mesh_id);
  restart();
  EXPECT_TRUE(renderer->mesh_create_buffers(gpu, &mesh));
  EXPECT_TRUE(renderer->mesh_kill_buffers(&mesh));
  expect_nothing_left();
}

}  // namespace
