// The Vulkan renderer object, shared by both plug-in generations.
#pragma once
#include "tvc.h"

class VulkanPLugin : public tvc::Renderer {
 public:
  explicit VulkanPLugin(const char* name);
  ~VulkanPLugin() override;
  const char* get_name() const override { return m_name; }

 private:
  const char* m_name;
};
