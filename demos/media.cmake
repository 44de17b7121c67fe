# The demos' data files (textures) live next to the program, in bin/media/.
include_guard(GLOBAL)
file(GLOB_RECURSE QV_MEDIA_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/media/*)
set(QV_MEDIA_STAMP ${CMAKE_BINARY_DIR}/media.stamp)
add_custom_command(OUTPUT ${QV_MEDIA_STAMP}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/media ${QV_BIN}/media
  COMMAND ${CMAKE_COMMAND} -E touch ${QV_MEDIA_STAMP}
  DEPENDS ${QV_MEDIA_FILES}
  COMMENT "Copying the demo media")
add_custom_target(media_copy ALL DEPENDS ${QV_MEDIA_STAMP})
