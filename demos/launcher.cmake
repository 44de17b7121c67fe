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
