// Loads each renderer plug-in named on the command line, as the demo
// framework does, initialises it and prints its first GPU's name and the file
// of the Vulkan loader it runs on:
//   <plug-in>: gpu "<name>" loader "<path>"
// or why it could not. Exit code: the number of plug-ins that failed.
#include <windows.h>

#include <cstdio>

#include "tvc.h"

int main(int argc, char** argv) {
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    HMODULE module = LoadLibraryA(argv[i]);
    auto create = module ? reinterpret_cast<tvc_plugin_create_fn>(
                               reinterpret_cast<void (*)()>(GetProcAddress(module, "tvc_plugin_create")))
                         : nullptr;
    auto destroy = module ? reinterpret_cast<tvc_plugin_destroy_fn>(
                                reinterpret_cast<void (*)()>(GetProcAddress(module, "tvc_plugin_destroy")))
                          : nullptr;
    tvc::Renderer* renderer = create && destroy ? static_cast<tvc::Renderer*>(create()) : nullptr;
    if (!renderer) {
      printf("%s: no plug-in\n", argv[i]);
      ++failures;
      if (module) FreeLibrary(module);
      continue;
    }
    tvc::RendererGpu* gpu = nullptr;
    if (renderer->initialize() && renderer->gpu_get_count() > 0) gpu = renderer->gpu_get_by_index(0);
    char loader[MAX_PATH] = "(none)";
    if (HMODULE vulkan = GetModuleHandleA("vulkan-1.dll")) GetModuleFileNameA(vulkan, loader, sizeof(loader));
    if (gpu)
      printf("%s: gpu \"%s\" loader \"%s\"\n", argv[i], renderer->gpu_get_name(gpu), loader);
    else
      printf("%s: no GPU (loader \"%s\")\n", argv[i], loader);
    fflush(stdout);
    if (!gpu) ++failures;
    renderer->terminate();
    destroy(renderer);
    FreeLibrary(module);
  }
  return failures;
}
