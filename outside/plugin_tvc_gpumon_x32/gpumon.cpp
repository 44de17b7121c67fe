#include "tvc.h"

namespace {
class GpuMonPlugin : public tvc::Plugin {
 public:
  const char* get_name() const override { return "GpuMon"; }
};
}  // namespace

extern "C" __declspec(dllexport) tvc::Plugin* tvc_plugin_create() { return new GpuMonPlugin(); }
extern "C" __declspec(dllexport) void tvc_plugin_destroy(tvc::Plugin* p) { delete p; }
