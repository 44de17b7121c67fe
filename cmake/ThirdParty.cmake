# Static libraries built from Debian's source packages (fetched by scripts/setup.sh).

# GLEW: OpenGL and WGL extension loading for the detection context.
add_library(glew STATIC ${QV_THIRD_PARTY}/src/glew/src/glew.c)
target_include_directories(glew SYSTEM PUBLIC ${QV_THIRD_PARTY}/src/glew/include)
target_compile_definitions(glew PUBLIC GLEW_STATIC)
target_compile_options(glew PRIVATE -w)
target_link_libraries(glew PUBLIC opengl32)

# Dear ImGui: its sources compiled into the core graphics library stand-in.
set(QV_IMGUI_DIR ${QV_THIRD_PARTY}/src/imgui)
set(QV_IMGUI_SOURCES
  ${QV_IMGUI_DIR}/imgui.cpp ${QV_IMGUI_DIR}/imgui_draw.cpp
  ${QV_IMGUI_DIR}/imgui_tables.cpp ${QV_IMGUI_DIR}/imgui_widgets.cpp)

# GoogleTest from Debian's source tree.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(t gtest gtest_main)
  if(TARGET ${t})
    target_compile_options(${t} PRIVATE -w)
  endif()
endforeach()
