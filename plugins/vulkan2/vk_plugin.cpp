#include "vk_plugin.h"

VulkanPLugin::VulkanPLugin(const char* name) : m_name(name) {}
VulkanPLugin::~VulkanPLugin() {}
