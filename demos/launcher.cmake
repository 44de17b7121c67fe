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

# Scene shaders that OpenGL loads as SPIR-V: "name.stage.glsl" in the
# scenes becomes "name.stage.spv" next to it in bin/tvldemos/.
find_program(QV_GLSLANG glslangValidator REQUIRED)
file(GLOB_RECURSE QV_TVLDEMO_SPIRV_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tvldemos/*.glsl)
set(QV_TVLDEMO_SPIRV_OUTPUTS)
foreach(source ${QV_TVLDEMO_SPIRV_SOURCES})
  file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR}/tvldemos ${source})
  string(REGEX REPLACE "\\.glsl$" ".spv" relative_out ${relative})
  string(REGEX MATCH "\\.([a-z]+)\\.glsl$" stage_match ${relative})
  set(output ${QV_BIN}/tvldemos/${relative_out})
  get_filename_component(output_dir ${output} DIRECTORY)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
    COMMAND ${QV_GLSLANG} --quiet -G -S ${CMAKE_MATCH_1} -o ${output} ${source}
    DEPENDS ${source}
    COMMENT "Compiling ${relative} to SPIR-V")
  list(APPEND QV_TVLDEMO_SPIRV_OUTPUTS ${output})
endforeach()
add_custom_target(tvldemos_spirv ALL DEPENDS ${QV_TVLDEMO_SPIRV_OUTPUTS})
add_dependencies(tvldemos_copy tvldemos_spirv)
