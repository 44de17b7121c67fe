# Vulkan renderer plug-ins: a stand-in Vulkan loader, and one test program
# that drives the Vulkan2 plug-in as the demo framework does and checks its
# parts directly. Run from the bin folder: the test build of the plug-in lies
# in testplugins/, the stand-in loader in fakevk/.
add_library(fake_vulkan SHARED plugins/fake_vulkan.cpp)
qv_target(fake_vulkan)
target_link_options(fake_vulkan PRIVATE -Wl,--kill-at)
set_target_properties(fake_vulkan PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${QV_BIN}/fakevk)
# A second copy that only the plug-in loads: whether it is still mapped tells
# how often the plug-in loaded and freed it.
add_custom_command(TARGET fake_vulkan POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:fake_vulkan> ${QV_BIN}/fakevk/fake_vulkan_second.dll)

# The Vulkan2 plug-in with the loader seam: same file name, its own folder;
# the shipped plug-ins export nothing for tests.
add_library(plugin_tvc_vulkan2_x32_test SHARED ${CMAKE_SOURCE_DIR}/plugins/plugin_entry.cpp
  plugins/loader_seam.cpp)
qv_target(plugin_tvc_vulkan2_x32_test)
target_link_libraries(plugin_tvc_vulkan2_x32_test PRIVATE plugin_tvc_vulkan2_x32_core)
set_target_properties(plugin_tvc_vulkan2_x32_test PROPERTIES PREFIX "" OUTPUT_NAME plugin_tvc_vulkan2_x32
  RUNTIME_OUTPUT_DIRECTORY ${QV_BIN}/testplugins)

# Our own test shaders, compiled to SPIR-V headers at build time.
find_program(QV_GLSLANG glslangValidator REQUIRED)
set(QV_TEST_SHADER_DIR ${CMAKE_CURRENT_BINARY_DIR}/test_shaders CACHE INTERNAL "")
file(MAKE_DIRECTORY ${QV_TEST_SHADER_DIR})
set(shader_headers)
foreach(shader quad.vert color.frag texture.frag last_level.frag resources.frag)
  string(REPLACE "." "_" id ${shader})
  set(out ${QV_TEST_SHADER_DIR}/${id}.h)
  add_custom_command(OUTPUT ${out}
    COMMAND ${QV_GLSLANG} -V --quiet --vn k_${id} -o ${out} ${CMAKE_CURRENT_SOURCE_DIR}/plugins/shaders/${shader}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/plugins/shaders/${shader}
    COMMENT "Compiling test shader ${shader}")
  list(APPEND shader_headers ${out})
endforeach()
add_custom_target(vulkan2_test_shaders DEPENDS ${shader_headers})

# The tests' own shaders, and the TrueType font our generator writes.
set(QV_VK_SHADER_DIR ${CMAKE_CURRENT_BINARY_DIR}/plugins/shaders)
file(MAKE_DIRECTORY ${QV_VK_SHADER_DIR})
qv_embed_spirv(QV_VK_TEST_SHADERS
  ${CMAKE_CURRENT_SOURCE_DIR}/plugins/shaders/fullscreen.vert
  ${CMAKE_CURRENT_SOURCE_DIR}/plugins/shaders/storage_write.frag
  ${CMAKE_CURRENT_SOURCE_DIR}/plugins/shaders/triangle.vert
  ${CMAKE_CURRENT_SOURCE_DIR}/plugins/shaders/solid_green.frag)
set(QV_TEST_FONT ${QV_BIN}/testdata/quorvel_test.ttf)
add_custom_command(
  OUTPUT ${QV_TEST_FONT}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QV_BIN}/testdata
  COMMAND ${TVC_PYTHON} ${CMAKE_SOURCE_DIR}/tools/fontgen/gen_test_font.py ${QV_TEST_FONT}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/fontgen/gen_test_font.py
  COMMENT "Generating the test font")
add_custom_target(vulkan2_test_data DEPENDS ${QV_VK_TEST_SHADERS} ${QV_TEST_FONT})

add_executable(vulkan2_plugin_tests
  plugins/test_vulkan2_host.cpp plugins/test_vulkan2_fake.cpp plugins/test_vulkan2_parts.cpp
  plugins/test_vulkan2_device.cpp plugins/test_vulkan2_frames.cpp plugins/test_vulkan2_resources.cpp
  plugins/test_vulkan2_draw.cpp plugins/test_vulkan2_overlays.cpp plugins/test_vulkan2_raytracing.cpp
  plugins/test_vulkan2_capabilities.cpp plugins/test_vulkan2_memory.cpp
  plugins/test_vulkan2_messages.cpp)
add_dependencies(vulkan2_plugin_tests vulkan2_test_shaders)
target_include_directories(vulkan2_plugin_tests PRIVATE ${QV_TEST_SHADER_DIR})
qv_target(vulkan2_plugin_tests)
target_include_directories(vulkan2_plugin_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/plugins ${QV_VK_SHADER_DIR})
add_dependencies(vulkan2_plugin_tests vulkan2_test_data)
target_link_libraries(vulkan2_plugin_tests PRIVATE plugin_tvc_vulkan2_x32_core gtest gtest_main)
add_dependencies(vulkan2_plugin_tests plugin_tvc_vulkan2_x32_test fake_vulkan)
qv_wine_test(vulkan2_plugin_tests COMMAND vulkan2_plugin_tests --gtest_color=no WORKING_DIRECTORY ${QV_BIN})

# The first-generation plug-in, driven as the framework drives a "Vulkan"
# scene: its own test build with the loader seam and its own test program.
add_library(plugin_tvc_vulkan_x32_test SHARED ${CMAKE_SOURCE_DIR}/plugins/plugin_entry.cpp
  plugins/loader_seam.cpp)
qv_target(plugin_tvc_vulkan_x32_test)
target_link_libraries(plugin_tvc_vulkan_x32_test PRIVATE plugin_tvc_vulkan_x32_core)
set_target_properties(plugin_tvc_vulkan_x32_test PROPERTIES PREFIX "" OUTPUT_NAME plugin_tvc_vulkan_x32
  RUNTIME_OUTPUT_DIRECTORY ${QV_BIN}/testplugins)

add_executable(vulkan_plugin_tests plugins/test_vulkan_first.cpp)
qv_target(vulkan_plugin_tests)
target_compile_definitions(vulkan_plugin_tests PRIVATE "QV_TEST_PLUGIN_FILE=\"testplugins\\\\plugin_tvc_vulkan_x32.dll\"")
target_include_directories(vulkan_plugin_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/plugins ${QV_VK_SHADER_DIR})
add_dependencies(vulkan_plugin_tests vulkan2_test_data)
target_link_libraries(vulkan_plugin_tests PRIVATE plugin_tvc_vulkan_x32_core gtest gtest_main)
add_dependencies(vulkan_plugin_tests plugin_tvc_vulkan_x32_test fake_vulkan)
qv_wine_test(vulkan_plugin_tests COMMAND vulkan_plugin_tests --gtest_color=no WORKING_DIRECTORY ${QV_BIN})

# The slot generator against small tables of its own: a host-side check,
# registered once, in the x86_64 tree.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  add_test(NAME slot_generator_areas
    COMMAND ${TVC_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/plugins/test_gen_slots.py ${TVC_SLOT_GENERATOR})
endif()
