// Drives the Vulkan2 plug-in the way the demo framework does: loads the
// library from the plug-in folder, creates the renderer through its export,
// calls it through the renderer interface and captures the trace log.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "fake_vulkan.h"
#include "gtest/gtest.h"
#include "tvc.h"

struct LogCapture {
  std::vector<std::pair<int, std::string>> lines;

  LogCapture() { tvc::LogMgr::get()->set_sink(&LogCapture::sink, this); }
  ~LogCapture() { tvc::LogMgr::get()->set_sink(nullptr, nullptr); }
  static void sink(int level, const char* text, void* user) {
    static_cast<LogCapture*>(user)->lines.emplace_back(level, text);
  }
  // Level of the first line equal to text, -1 when absent.
  int level_of(const std::string& text) const {
    for (const auto& line : lines)
      if (line.second == text) return line.first;
    return -1;
  }
  bool has(const std::string& text) const { return level_of(text) >= 0; }
  // First line starting with prefix, or "".
  std::string starting_with(const std::string& prefix) const {
    for (const auto& line : lines)
      if (line.second.compare(0, prefix.size(), prefix) == 0) return line.second;
    return "";
  }
};

class PluginLibrary {
 public:
  static PluginLibrary& get() {
    static PluginLibrary library;
    return library;
  }
  tvc::Renderer* create() { return static_cast<tvc::Renderer*>(create_()); }
  int destroy(tvc::Plugin* plugin) { return destroy_(plugin); }
  // Null: the system's Vulkan loader.
  void use_vulkan_library(const char* path) { set_library_(path); }
  bool loaded() const { return create_ && destroy_ && set_library_; }

 private:
  PluginLibrary() {
    module_ = LoadLibraryA("testplugins\\plugin_tvc_vulkan2_x32.dll");
    if (!module_) return;
    create_ = reinterpret_cast<tvc_plugin_create_fn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "tvc_plugin_create")));
    destroy_ = reinterpret_cast<tvc_plugin_destroy_fn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "tvc_plugin_destroy")));
    set_library_ = reinterpret_cast<void (*)(const char*)>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "tvc_plugin_set_vulkan_library")));
  }
  HMODULE module_ = nullptr;
  tvc_plugin_create_fn create_ = nullptr;
  tvc_plugin_destroy_fn destroy_ = nullptr;
  void (*set_library_)(const char*) = nullptr;
};

// The stand-in loader beside the tests, configured per test.
class FakeLoader {
 public:
  static FakeLoader& get() {
    static FakeLoader loader;
    return loader;
  }
  const char* path() const { return path_; }
  void configure(const FakeVkConfig& config) { configure_(&config); }
  const FakeVkState& state() const { return *state_(); }
  bool loaded() const { return configure_ && state_ && set_handler_ && fence_state_; }
  // 1: signalled, 0: unsignalled, -1: unknown.
  int fence_state(uint64_t fence) const { return fence_state_(fence); }
  // Every call the fake finds invalid or hanging fails the running test.
  void fail_tests_on_violations() { set_handler_(&FakeLoader::report, nullptr); }
  static void report(const char* what, void*) { ADD_FAILURE() << "fake Vulkan: " << what; }

 private:
  FakeLoader() {
    GetFullPathNameA("fakevk\\fake_vulkan.dll", sizeof(path_), path_, nullptr);
    module_ = LoadLibraryA(path_);
    if (!module_) return;
    configure_ = reinterpret_cast<fake_vk_configure_fn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "fake_vk_configure")));
    state_ = reinterpret_cast<fake_vk_state_fn>(reinterpret_cast<void (*)()>(GetProcAddress(module_, "fake_vk_state")));
    set_handler_ = reinterpret_cast<fake_vk_set_violation_handler_fn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "fake_vk_set_violation_handler")));
    fence_state_ = reinterpret_cast<fake_vk_fence_state_fn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "fake_vk_fence_state")));
    if (set_handler_) fail_tests_on_violations();
  }
  char path_[MAX_PATH] = {0};
  HMODULE module_ = nullptr;
  fake_vk_configure_fn configure_ = nullptr;
  fake_vk_state_fn state_ = nullptr;
  fake_vk_set_violation_handler_fn set_handler_ = nullptr;
  fake_vk_fence_state_fn fence_state_ = nullptr;
};

// One renderer per test, destroyed through the export at the end.
class RendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(PluginLibrary::get().loaded()) << "test plug-in not found under testplugins/";
    renderer = PluginLibrary::get().create();
    ASSERT_NE(renderer, nullptr);
  }
  void TearDown() override {
    if (renderer) {
      renderer->terminate();
      EXPECT_EQ(PluginLibrary::get().destroy(renderer), 1);
    }
    PluginLibrary::get().use_vulkan_library(nullptr);
  }
  LogCapture log;
  tvc::Renderer* renderer = nullptr;
};
