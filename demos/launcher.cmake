# The framework-demo scenes live next to the program, in bin/tvldemos/.
include_guard(GLOBAL)
file(GLOB_RECURSE QV_TVLDEMO_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tvldemos/*)
set(QV_TVLDEMO_STAMP ${CMAKE_BINARY_DIR}/tvldemos.stamp)
add_custom_command(OUTPUT ${QV_TVLDEMO_STAMP}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/tvldemos ${QV_BIN}/tvldemos
  COMMAND ${CMAKE_COMMAND} -E touch ${QV_TVLDEMO_STAMP}
  DEPENDS ${QV_TVLDEMO_FILES}
  COMMENT "Copying the framework-demo scenes")
add_custom_target(tvldemos_copy ALL DEPENDS ${QV_TVLDEMO_STAMP})

# Scene shaders compiled to SPIR-V next to their scene in bin/tvldemos/:
# "name.stage.glsl" for OpenGL's "GL_ARB_gl_spirv" and "name.stage.vk.glsl"
# for the Vulkan renderers both become "name.stage.spv".
find_program(QV_GLSLANG glslangValidator REQUIRED)
file(GLOB_RECURSE QV_TVLDEMO_SPIRV_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tvldemos/*.glsl)
set(QV_TVLDEMO_SPIRV_OUTPUTS)
foreach(source ${QV_TVLDEMO_SPIRV_SOURCES})
  file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR}/tvldemos ${source})
  if(relative MATCHES "\\.([a-z]+)\\.vk\\.glsl$")
    set(target_api -V)
  else()
    string(REGEX MATCH "\\.([a-z]+)\\.glsl$" stage_match ${relative})
    set(target_api -G)
  endif()
  set(stage ${CMAKE_MATCH_1})
  string(REGEX REPLACE "(\\.vk)?\\.glsl$" ".spv" relative_out ${relative})
  set(output ${QV_BIN}/tvldemos/${relative_out})
  get_filename_component(output_dir ${output} DIRECTORY)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
    COMMAND ${QV_GLSLANG} --quiet ${target_api} -S ${stage} -o ${output} ${source}
    DEPENDS ${source}
    COMMENT "Compiling ${relative} to SPIR-V")
  list(APPEND QV_TVLDEMO_SPIRV_OUTPUTS ${output})
endforeach()
add_custom_target(tvldemos_spirv ALL DEPENDS ${QV_TVLDEMO_SPIRV_OUTPUTS})
add_dependencies(tvldemos_copy tvldemos_spirv)
