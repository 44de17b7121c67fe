# The OpenCL kernels of the demos. The particles, post-processing and Julia
# kernels go beside the program as "media/*.cl"; the particles,
# post-processing and mesh-deformer texts are also compiled in, from the
# same files, as the inline fallback.
include_guard(GLOBAL)
set(QV_KERNEL_DIR ${CMAKE_SOURCE_DIR}/demos/kernels)
set(QV_KERNEL_GENERATED ${CMAKE_BINARY_DIR}/generated)
set(inc "// Generated from demos/kernels/*.cl by kernels.cmake; do not edit.\n")
foreach(k particles postfx deformer)
  file(READ ${QV_KERNEL_DIR}/${k}.cl text)
  string(APPEND inc "const char kClKernelText_${k}[] = R\"QVCL(${text})QVCL\";\n")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QV_KERNEL_DIR}/${k}.cl)
endforeach()
file(WRITE ${QV_KERNEL_GENERATED}/ClKernelTexts.inc.tmp "${inc}")
configure_file(${QV_KERNEL_GENERATED}/ClKernelTexts.inc.tmp ${QV_KERNEL_GENERATED}/demos/ClKernelTexts.inc COPYONLY)
target_include_directories(quorvel_core PRIVATE ${QV_KERNEL_GENERATED})
foreach(k particles postfx qjulia_kernel)
  configure_file(${QV_KERNEL_DIR}/${k}.cl ${QV_BIN}/media/${k}.cl COPYONLY)
endforeach()
