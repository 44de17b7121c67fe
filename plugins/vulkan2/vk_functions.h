// The Vulkan entry points the renderer calls, resolved at run time from the
// loader library: global ones from its exports, the rest through
// vkGetInstanceProcAddr and vkGetDeviceProcAddr.
#pragma once

#ifndef VK_USE_PLATFORM_WIN32_KHR
#define VK_USE_PLATFORM_WIN32_KHR
#endif
#ifndef VK_NO_PROTOTYPES
#define VK_NO_PROTOTYPES
#endif
#include <vulkan/vulkan.h>

// Entry points that only Vulkan2 calls: the loader asks the driver for
// them only where generation::resolves_newer_entry_points() says so.
#define QV_VK_SECOND_GEN(X, level, name) X(level##_NEWER, name)

// X(level, name): level is GLOBAL, INSTANCE or DEVICE; table order.
#define QV_VK_ENTRY_POINTS(X)                                   \
  X(GLOBAL, vkCreateInstance)                                   \
  X(GLOBAL, vkGetInstanceProcAddr)                              \
  X(GLOBAL, vkEnumerateInstanceExtensionProperties)             \
  X(GLOBAL, vkEnumerateInstanceLayerProperties)                 \
  X(INSTANCE, vkCreateDebugReportCallbackEXT)                   \
  X(INSTANCE, vkDestroyDebugReportCallbackEXT)                  \
  QV_VK_SECOND_GEN(X, INSTANCE, vkCreateDebugUtilsMessengerEXT) \
  QV_VK_SECOND_GEN(X, INSTANCE, vkDestroyDebugUtilsMessengerEXT)\
  X(INSTANCE, vkDestroyInstance)                                \
  X(INSTANCE, vkGetDeviceProcAddr)                              \
  X(INSTANCE, vkEnumeratePhysicalDevices)                       \
  X(INSTANCE, vkEnumerateDeviceExtensionProperties)             \
  X(INSTANCE, vkEnumerateDeviceLayerProperties)                 \
  QV_VK_SECOND_GEN(X, INSTANCE, vkEnumeratePhysicalDeviceGroupsKHR)\
  X(INSTANCE, vkGetPhysicalDeviceProperties)                    \
  X(INSTANCE, vkGetPhysicalDeviceFeatures)                      \
  X(INSTANCE, vkGetPhysicalDeviceMemoryProperties)              \
  X(INSTANCE, vkGetPhysicalDeviceQueueFamilyProperties)         \
  X(INSTANCE, vkGetPhysicalDeviceProperties2)                   \
  X(INSTANCE, vkGetPhysicalDeviceFeatures2)                     \
  X(INSTANCE, vkCreateWin32SurfaceKHR)                          \
  X(INSTANCE, vkDestroySurfaceKHR)                              \
  X(INSTANCE, vkGetPhysicalDeviceSurfaceSupportKHR)             \
  X(INSTANCE, vkGetPhysicalDeviceSurfaceCapabilitiesKHR)        \
  X(INSTANCE, vkGetPhysicalDeviceSurfaceFormatsKHR)             \
  X(INSTANCE, vkGetPhysicalDeviceSurfacePresentModesKHR)        \
  X(INSTANCE, vkGetPhysicalDeviceFormatProperties)              \
  X(INSTANCE, vkCreateDevice)                                   \
  X(INSTANCE, vkGetPhysicalDeviceWin32PresentationSupportKHR)   \
  X(DEVICE, vkDestroyDevice)                                    \
  X(DEVICE, vkCreateSwapchainKHR)                               \
  X(DEVICE, vkDestroySwapchainKHR)                              \
  X(DEVICE, vkGetSwapchainImagesKHR)                            \
  X(DEVICE, vkAcquireNextImageKHR)                              \
  X(DEVICE, vkQueuePresentKHR)                                  \
  X(DEVICE, vkQueueSubmit)                                      \
  X(DEVICE, vkQueueWaitIdle)                                    \
  X(DEVICE, vkCreateImageView)                                  \
  X(DEVICE, vkCreateImage)                                      \
  X(DEVICE, vkDestroyImageView)                                 \
  X(DEVICE, vkDestroyImage)                                     \
  X(DEVICE, vkGetImageMemoryRequirements)                       \
  X(DEVICE, vkBindImageMemory)                                  \
  X(DEVICE, vkAllocateCommandBuffers)                           \
  X(DEVICE, vkFreeCommandBuffers)                               \
  X(DEVICE, vkBeginCommandBuffer)                               \
  X(DEVICE, vkEndCommandBuffer)                                 \
  X(DEVICE, vkCmdPipelineBarrier)                               \
  X(DEVICE, vkResetCommandBuffer)                               \
  X(DEVICE, vkCreateCommandPool)                                \
  X(DEVICE, vkDestroyCommandPool)                               \
  X(DEVICE, vkCreateSemaphore)                                  \
  X(DEVICE, vkDestroySemaphore)                                 \
  X(DEVICE, vkCreateRenderPass)                                 \
  X(DEVICE, vkDestroyRenderPass)                                \
  X(DEVICE, vkCmdBeginRenderPass)                               \
  X(DEVICE, vkCmdEndRenderPass)                                 \
  X(DEVICE, vkCmdNextSubpass)                                   \
  X(DEVICE, vkCmdExecuteCommands)                               \
  X(DEVICE, vkCreateFramebuffer)                                \
  X(DEVICE, vkDestroyFramebuffer)                               \
  X(DEVICE, vkGetDeviceQueue)                                   \
  X(DEVICE, vkDeviceWaitIdle)                                   \
  X(DEVICE, vkCmdSetViewport)                                   \
  X(DEVICE, vkCmdSetScissor)                                    \
  X(DEVICE, vkCreateShaderModule)                               \
  X(DEVICE, vkDestroyShaderModule)                              \
  X(DEVICE, vkCreateDescriptorSetLayout)                        \
  X(DEVICE, vkDestroyDescriptorSetLayout)                       \
  X(DEVICE, vkCreatePipelineLayout)                             \
  X(DEVICE, vkDestroyPipelineLayout)                            \
  X(DEVICE, vkCreatePipelineCache)                              \
  X(DEVICE, vkDestroyPipelineCache)                             \
  X(DEVICE, vkCreateGraphicsPipelines)                          \
  X(DEVICE, vkDestroyPipeline)                                  \
  X(DEVICE, vkCmdBindPipeline)                                  \
  X(DEVICE, vkCmdBindDescriptorSets)                            \
  X(DEVICE, vkAllocateDescriptorSets)                           \
  X(DEVICE, vkFreeDescriptorSets)                               \
  X(DEVICE, vkUpdateDescriptorSets)                             \
  X(DEVICE, vkCreateDescriptorPool)                             \
  X(DEVICE, vkDestroyDescriptorPool)                            \
  X(DEVICE, vkCreateBuffer)                                     \
  X(DEVICE, vkDestroyBuffer)                                    \
  X(DEVICE, vkGetBufferMemoryRequirements)                      \
  X(DEVICE, vkAllocateMemory)                                   \
  X(DEVICE, vkFreeMemory)                                       \
  X(DEVICE, vkMapMemory)                                        \
  X(DEVICE, vkUnmapMemory)                                      \
  X(DEVICE, vkFlushMappedMemoryRanges)                          \
  X(DEVICE, vkBindBufferMemory)                                 \
  X(DEVICE, vkCmdBindVertexBuffers)                             \
  X(DEVICE, vkCmdBindIndexBuffer)                               \
  X(DEVICE, vkCmdDraw)                                          \
  X(DEVICE, vkCmdDrawIndexed)                                   \
  X(DEVICE, vkCreateFence)                                      \
  X(DEVICE, vkDestroyFence)                                     \
  X(DEVICE, vkResetFences)                                      \
  X(DEVICE, vkGetFenceStatus)                                   \
  X(DEVICE, vkWaitForFences)                                    \
  X(DEVICE, vkCmdPushConstants)                                 \
  X(DEVICE, vkGetImageSubresourceLayout)                        \
  X(DEVICE, vkCreateSampler)                                    \
  X(DEVICE, vkDestroySampler)                                   \
  X(DEVICE, vkCmdCopyImage)                                     \
  X(DEVICE, vkCmdCopyBuffer)                                    \
  X(DEVICE, vkCmdCopyBufferToImage)                             \
  X(DEVICE, vkCmdCopyImageToBuffer)                             \
  X(DEVICE, vkCmdBlitImage)                                     \
  X(DEVICE, vkCmdDrawMeshTasksNV)                               \
  QV_VK_SECOND_GEN(X, INSTANCE, vkGetPhysicalDeviceDisplayPropertiesKHR)\
  QV_VK_SECOND_GEN(X, INSTANCE, vkGetDisplayModePropertiesKHR)  \
  QV_VK_SECOND_GEN(X, INSTANCE, vkCreateDisplayPlaneSurfaceKHR) \
  QV_VK_SECOND_GEN(X, DEVICE, vkGetBufferDeviceAddressKHR)      \
  QV_VK_SECOND_GEN(X, DEVICE, vkGetBufferMemoryRequirements2)   \
  QV_VK_SECOND_GEN(X, DEVICE, vkCreateQueryPool)                \
  QV_VK_SECOND_GEN(X, DEVICE, vkDestroyQueryPool)               \
  QV_VK_SECOND_GEN(X, DEVICE, vkGetQueryPoolResults)            \
  QV_VK_SECOND_GEN(X, DEVICE, vkGetAccelerationStructureBuildSizesKHR)\
  QV_VK_SECOND_GEN(X, DEVICE, vkCreateAccelerationStructureKHR) \
  QV_VK_SECOND_GEN(X, DEVICE, vkDestroyAccelerationStructureKHR)\
  QV_VK_SECOND_GEN(X, DEVICE, vkCmdBuildAccelerationStructuresKHR)\
  QV_VK_SECOND_GEN(X, DEVICE, vkCmdWriteAccelerationStructuresPropertiesKHR)\
  QV_VK_SECOND_GEN(X, DEVICE, vkGetAccelerationStructureDeviceAddressKHR)\
  QV_VK_SECOND_GEN(X, DEVICE, vkCreateRayTracingPipelinesKHR)   \
  QV_VK_SECOND_GEN(X, DEVICE, vkGetRayTracingShaderGroupHandlesKHR)\
  QV_VK_SECOND_GEN(X, DEVICE, vkCmdTraceRaysKHR)

// Where the extended property and feature queries come from on an instance.
enum class Properties2Source {
  kNone,  // Vulkan 1.0 without VK_KHR_get_physical_device_properties2
  kKhr,   // Vulkan 1.0 with the extension enabled: the KHR entry points
  kCore,  // Vulkan 1.2 instance: the core entry points
};

struct VkFunctionTable {
  HMODULE library = nullptr;
#define QV_VK_FIELD(level, name) PFN_##name name = nullptr;
  QV_VK_ENTRY_POINTS(QV_VK_FIELD)
#undef QV_VK_FIELD
};

void reset_function_table(VkFunctionTable& table);
bool load_global_entry_points(VkFunctionTable& table);
PFN_vkVoidFunction get_instance_proc(const VkFunctionTable& table, VkInstance instance, const char* name);
bool load_instance_entry_points(VkFunctionTable& table, VkInstance instance,
                                Properties2Source properties2 = Properties2Source::kCore);
bool load_device_entry_points(VkFunctionTable& table, VkInstance instance, VkDevice device);

// The loader library's file name; tests point it at a stand-in loader.
const char* vulkan_library_name();
void set_vulkan_library_name(const char* file_name);
// The Vulkan loader from the system folder (or the file a test has named).
HMODULE load_vulkan_library();
