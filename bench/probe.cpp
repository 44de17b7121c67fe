// The least a graphics information tool must do: make an OpenGL context,
// a Vulkan instance with its physical devices and list the OpenCL
// platforms. Its run time is the yardstick for the report mode's.
#include <windows.h>

#include <CL/cl.h>
#include <vulkan/vulkan.h>

#include <cstdio>

namespace {

int openGl() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "ProbeGl";
  RegisterClassA(&wc);
  HWND wnd = CreateWindowA("ProbeGl", "", WS_POPUP, 0, 0, 32, 32, nullptr, nullptr, wc.hInstance, nullptr);
  HDC dc = GetDC(wnd);
  PIXELFORMATDESCRIPTOR pfd = {};
  pfd.nSize = sizeof(pfd);
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.cColorBits = 32;
  pfd.cDepthBits = 24;
  SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd);
  HGLRC rc = wglCreateContext(dc);
  wglMakeCurrent(dc, rc);
  typedef const unsigned char*(WINAPI * GetStringFn)(unsigned);
  GetStringFn getString = reinterpret_cast<GetStringFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("opengl32.dll"), "glGetString")));
  const unsigned char* renderer = getString ? getString(0x1F01) : nullptr;
  printf("gl: %s\n", renderer ? reinterpret_cast<const char*>(renderer) : "(none)");
  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(rc);
  ReleaseDC(wnd, dc);
  DestroyWindow(wnd);
  return renderer ? 1 : 0;
}

int vulkan() {
  HMODULE lib = LoadLibraryA("vulkan-1.dll");
  if (!lib) return 0;
  auto create = reinterpret_cast<PFN_vkCreateInstance>(reinterpret_cast<void*>(GetProcAddress(lib, "vkCreateInstance")));
  auto enumerate = reinterpret_cast<PFN_vkEnumeratePhysicalDevices>(
      reinterpret_cast<void*>(GetProcAddress(lib, "vkEnumeratePhysicalDevices")));
  auto destroy = reinterpret_cast<PFN_vkDestroyInstance>(reinterpret_cast<void*>(GetProcAddress(lib, "vkDestroyInstance")));
  VkInstanceCreateInfo ci = {};
  ci.sType = VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO;
  VkInstance instance = VK_NULL_HANDLE;
  uint32_t n = 0;
  if (create && create(&ci, nullptr, &instance) == VK_SUCCESS) {
    enumerate(instance, &n, nullptr);
    destroy(instance, nullptr);
  }
  printf("vulkan devices: %u\n", n);
  FreeLibrary(lib);
  return static_cast<int>(n);
}

int openCl() {
  HMODULE lib = LoadLibraryA("OpenCL.dll");
  if (!lib) return 0;
  typedef cl_int(CL_API_CALL * GetIdsFn)(cl_uint, cl_platform_id*, cl_uint*);
  GetIdsFn getIds = reinterpret_cast<GetIdsFn>(reinterpret_cast<void*>(GetProcAddress(lib, "clGetPlatformIDs")));
  cl_uint n = 0;
  if (getIds) getIds(0, nullptr, &n);
  printf("opencl platforms: %u\n", n);
  FreeLibrary(lib);
  return static_cast<int>(n);
}

}  // namespace

int main() {
  openGl();
  vulkan();
  openCl();
  return 0;
}
