// GPU memory of the Vulkan2 plug-in on the stand-in loader: each device
// allocates from its own GPU's memory types, the memory-type fallbacks stay
// inside the types a resource allows, and buffers the host holds mapped.
#define VK_NO_PROTOTYPES
#include <vulkan/vulkan.h>

#include <cstring>
#include <string>
#include <vector>

#include "window_fixtures.h"

namespace {

const VkMemoryPropertyFlags kHost = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
const VkMemoryPropertyFlags kLocal = VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT;

uint32_t memory_types_used() { return FakeLoader::get().state().memory_types_used; }

tvc::TextureData* small_texture(tvc::TextureData* t) {
  t->create(tvc::TextureData::kType2D, 4, 4, tvc::PF_RGBA_U8);
  memset(t->get_pixmap_ptr(), 0x5A, 4 * 4 * 4);
  t->set_name("small");
  return t;
}

// Two GPUs whose memory types are the other way round: the first has its
// host-visible type first, the second its device-local type first.
FakeVkConfig two_gpus() {
  FakeVkConfig c = window_config();
  c.device_count = 2;
  c.devices[1] = {0x1002, 0x5678, VK_MAKE_VERSION(1, 2, 0), 0, 2, "Second GPU", 1ull << 30};
  c.memory_type_count[0] = c.memory_type_count[1] = 2;
  c.memory_type_flags[0][0] = kHost;
  c.memory_type_flags[0][1] = kLocal;
  c.memory_type_flags[1][0] = kLocal;
  c.memory_type_flags[1][1] = kHost;
  return c;
}

// The second GPU's resources take the second GPU's memory types wherever its
// GPU object stands in the list: after the first GPU object is killed, and
// behind a GPU object the host made before initialising (with the first GPU
// initialised too, so that its memory types are there to be taken wrongly).
TEST_F(FakeWindowTest, EachDeviceAllocatesFromItsOwnGpusMemoryTypes) {
  const struct {
    const char* name;
    bool host_gpu_first;  // a GPU object made before initialising
    bool kill_first;      // the first GPU object killed
  } cases[] = {{"the first GPU killed", false, true}, {"a host GPU object listed first", true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeLoader::get().configure(two_gpus());
    if (c.host_gpu_first) renderer->gpu_create();
    ASSERT_TRUE(renderer->initialize());
    tvc::RendererGpu* first = renderer->gpu_get_by_index(renderer->gpu_get_count() - 2);
    if (c.kill_first) {
      ASSERT_TRUE(renderer->gpu_kill(first));
    } else {
      ASSERT_TRUE(renderer->gpu_initialize(first, nullptr));
    }
    tvc::RendererGpu* second = renderer->gpu_get_by_index(renderer->gpu_get_count() - 1);
    ASSERT_STREQ(renderer->gpu_get_name(second), "Second GPU");
    ASSERT_TRUE(renderer->gpu_initialize(second, nullptr));

    tvc::GpuBuffer buffer;
    EXPECT_TRUE(renderer->gpu_buffer_create(second, &buffer, tvc::GpuBuffer::kUniform, 0, 64, 0));
    EXPECT_EQ(memory_types_used(), 2u) << "a host-visible buffer of the second GPU lies in its type 1";
    tvc::TextureData texture;
    EXPECT_TRUE(renderer->texture_load(second, small_texture(&texture), 0));
    tvc::GeometryCore mesh;
    one_triangle(&mesh);
    EXPECT_TRUE(renderer->mesh_create_buffers(second, &mesh));
    EXPECT_TRUE(renderer->mesh_update_vertex_buffer(&mesh));
    EXPECT_EQ(memory_types_used(), 3u) << "staging memory in type 1, device memory in type 0";

    EXPECT_TRUE(renderer->mesh_kill_buffers(&mesh));
    EXPECT_TRUE(renderer->texture_unload(&texture));
    EXPECT_TRUE(renderer->gpu_buffer_kill(&buffer));
    EXPECT_TRUE(renderer->gpu_cleanup(second, nullptr));
    if (!c.kill_first) {
      EXPECT_TRUE(renderer->gpu_cleanup(first, nullptr));
    }
    renderer->terminate();
    renderer->gpu_killall();
  }
}

// Host memory only, and type 0 allowed to no resource: a search that finds
// no device-local or no coherent type must fall back to type 1 (host-visible
// and cached), never to type 0.
FakeVkConfig host_memory_only() {
  FakeVkConfig c = window_config();
  c.memory_type_count[0] = 2;
  c.memory_type_flags[0][0] = kHost;
  c.memory_type_flags[0][1] = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_CACHED_BIT;
  c.buffer_types_denied = c.linear_image_types_denied = c.optimal_image_types_denied = 1;
  return c;
}

// The depth buffer, a texture, a GPU buffer, the frame read-back and a
// mesh's vertices take the first allowed type; an index buffer, which must
// be device-local, is refused with its line.
TEST_F(FakeWindowTest, MemoryTypeFallbacksStayInsideTheAllowedTypes) {
  ASSERT_TRUE(start(host_memory_only()));
  tvc::TextureData texture;
  EXPECT_TRUE(renderer->texture_load(gpu, small_texture(&texture), 0));
  tvc::GpuBuffer buffer;
  EXPECT_TRUE(renderer->gpu_buffer_create(gpu, &buffer, tvc::GpuBuffer::kStorage, 0, 64, 0));
  std::vector<unsigned char> frame(640 * 480 * 4, 0);
  renderer->read_color_buffer(frame.data());
  unsigned char want[4];
  fake_vk_pixel(3, 2, want);
  EXPECT_EQ(frame[(2 * 640 + 3) * 4 + 1], want[1]) << "the read-back image was filled";
  EXPECT_EQ(frame[(2 * 640 + 3) * 4 + 3], want[3]);
  expect_index_buffers_refused(renderer, gpu, log);
  EXPECT_EQ(memory_types_used(), 2u) << "type 0 is allowed to nothing";
  EXPECT_TRUE(renderer->texture_unload(&texture));
  EXPECT_TRUE(renderer->gpu_buffer_kill(&buffer));
  expect_nothing_left();
}

// GPU 0 of a one-GPU configuration with its device, no window.
class FakeDeviceTest : public FakeWindowTest {
 protected:
  void SetUp() override {
    FakeWindowTest::SetUp();
    FakeLoader::get().configure(window_config());
    ASSERT_TRUE(renderer->initialize());
    gpu = renderer->gpu_get_by_index(0);
    ASSERT_TRUE(renderer->gpu_initialize(gpu, nullptr));
  }
  void TearDown() override {
    if (renderer) renderer->gpu_cleanup(gpu, nullptr);
    FakeWindowTest::TearDown();
  }
};

// Memory is mapped once at a time: while the host holds a buffer mapped,
// read and write refuse it (as a second map does) and leave the mapping.
TEST_F(FakeDeviceTest, ReadAndWriteRefuseABufferTheHostHoldsMapped) {
  tvc::GpuBuffer buffer;
  ASSERT_TRUE(renderer->gpu_buffer_create(gpu, &buffer, tvc::GpuBuffer::kStorage, 0, 64, 0));
  unsigned char bytes[16], back[16] = {0};
  for (int i = 0; i < 16; ++i) bytes[i] = static_cast<unsigned char>(0xA0 + i);
  for (bool whole : {true, false}) {
    SCOPED_TRACE(whole ? "mapped whole" : "mapped from offset 32");
    void* mapped = whole ? renderer->gpu_buffer_map(&buffer, 0) : renderer->gpu_buffer_map_range(&buffer, 32, 16, 0);
    ASSERT_NE(mapped, nullptr);
    EXPECT_FALSE(renderer->gpu_buffer_write(&buffer, 0, 16, bytes));
    EXPECT_FALSE(renderer->gpu_buffer_read(&buffer, 0, 16, back));
    EXPECT_EQ(buffer.mapped, mapped) << "the host's mapping stays";
    renderer->gpu_buffer_unmap(&buffer);
  }
  EXPECT_TRUE(renderer->gpu_buffer_write(&buffer, 8, 16, bytes));
  EXPECT_TRUE(renderer->gpu_buffer_read(&buffer, 8, 16, back));
  EXPECT_EQ(memcmp(back, bytes, 16), 0);
  EXPECT_TRUE(renderer->gpu_buffer_kill(&buffer));
}

// Copying between buffers is not built: it says so and reports failure.
TEST_F(FakeDeviceTest, BufferCopyLogsThatItIsNotDoneAndAnswersFalse) {
  tvc::GpuBuffer source, destination;
  ASSERT_TRUE(renderer->gpu_buffer_create(gpu, &source, tvc::GpuBuffer::kStorage, 0, 64, 0));
  ASSERT_TRUE(renderer->gpu_buffer_create(gpu, &destination, tvc::GpuBuffer::kStorage, 0, 64, 0));
  EXPECT_FALSE(renderer->gpu_buffer_copy(&source, &destination, 0, 0, 16));
  EXPECT_EQ(log.level_of("gpu_buffer_copy() : TODO..."), tvc::LogMgr::kPlain);
  log.lines.clear();
  EXPECT_FALSE(renderer->gpu_buffer_copy(&source, nullptr, 0, 0, 16));
  EXPECT_FALSE(renderer->gpu_buffer_copy(nullptr, &destination, 0, 0, 16));
  EXPECT_FALSE(log.has("gpu_buffer_copy() : TODO..."));
  EXPECT_TRUE(renderer->gpu_buffer_kill(&source));
  EXPECT_TRUE(renderer->gpu_buffer_kill(&destination));
}

}  // namespace
