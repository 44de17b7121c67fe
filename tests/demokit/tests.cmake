# The raw demos' OpenGL kit: matrices, meshes and image decoding on their own,
# then contexts, programs, drawing and textures on Wine's OpenGL.
qv_gtest(demokit_tests demokit/test_matrix.cpp demokit/test_mesh.cpp demokit/test_image.cpp
  demokit/test_gl_kit.cpp)
