# The raw OpenGL and OpenCL demos, run whole under Wine (llvmpipe, pocl):
# pictures, benchmark rows, failures; and their set-up rules on their own.
# They show demo windows and boxes and write bench_result.csv beside the
# program, so they take the desktop and quorvel_bin locks; the runs are
# split over several ctest entries so that each stays short.
include(${CMAKE_CURRENT_LIST_DIR}/../fakes/opencl/fakes.cmake)
add_executable(rawdemo_tests rawdemos/test_raw_demos.cpp rawdemos/test_raw_demo_setup.cpp rawdemos/RawDemoHarness.cpp)
qv_target(rawdemo_tests)
target_link_libraries(rawdemo_tests PRIVATE quorvel_core gtest gtest_main)
add_dependencies(rawdemo_tests fake_opencl)
# The demos' built-in kernel texts, as the program compiles them in.
target_include_directories(rawdemo_tests PRIVATE ${CMAKE_BINARY_DIR}/generated)
set(runs "Demos/RawDemoRunTest.EndsByItselfWithItsRowAndSubject")
foreach(part "GlDemos|${runs}/Gl*"
             "ClParticlesPostFx|${runs}/ClParticles*:${runs}/ClPostFx*"
             "ClJuliaDeformer|${runs}/ClJulia*:${runs}/ClDeformer*"
             "ClErrors|RawDemoTest.*-RawDemoTest.Gpu*:RawDemoTest.Deformer*"
             "ClDeformerChecks|RawDemoTest.Deformer*"
             "ClGpuRefusal|RawDemoTest.Gpu*"
             "Setup|RawDemoSetupTest.*")
  string(REPLACE "|" ";" split "${part}")
  list(GET split 0 suffix)
  list(GET split 1 filter)
  qv_wine_test(rawdemo_${suffix} COMMAND rawdemo_tests --gtest_color=no --gtest_filter=${filter}
               WORKING_DIRECTORY ${QV_BIN})
  if(TEST rawdemo_${suffix})
    set_tests_properties(rawdemo_${suffix} PROPERTIES RESOURCE_LOCK "desktop;quorvel_bin")
  endif()
endforeach()

# The start switches of the program, one run each, and a kernel that does
# not build.
if(QV_REGISTER_WINE_TESTS)
  set(rawdemo_e2e_dir ${CMAKE_CURRENT_SOURCE_DIR}/rawdemos)
  foreach(run "gl3_torus|GL3_IlluminatedTorus|/start_demo_gl3_torus"
              "gl3_triangle|GL3_TriangleOfDeath|/start_demo_gl3_triangle"
              "gl4_tessellation|GL4_Tessellation|/start_demo_gl4_tessellation"
              "cl_particles|CL_Particles|/cl_cpu;/start_demo_cl_particles;/cl_particles_cpu=200000"
              "cl_postfx|CL_PostFX|/cl_cpu;/start_demo_cl_postfx"
              "cl_julia|CL_Julia4D|/cl_cpu;/start_demo_cl_julia;/cl_julia_rtt_size=256"
              "cl_deformer|CL_SurfaceDeformer(X=511_Z=511_sin=0)|/cl_cpu;/start_demo_cl_deformer")
    string(REPLACE "|" ";" split "${run}")
    list(GET split 0 suffix)
    list(GET split 1 name)
    list(SUBLIST split 2 -1 switches)
    add_test(NAME e2e_rawdemo_${suffix}
      COMMAND bash ${rawdemo_e2e_dir}/autostart_test.sh ${QV_BIN} ${QV_WINE_RUN} ${QV_WINE_PREFIX} ${name} ${switches}
      WORKING_DIRECTORY ${QV_BIN})
    set_tests_properties(e2e_rawdemo_${suffix} PROPERTIES RESOURCE_LOCK "desktop;quorvel_bin")
  endforeach()
  add_test(NAME e2e_rawdemo_kernel_error
    COMMAND bash ${rawdemo_e2e_dir}/kernel_error_test.sh ${QV_BIN} ${QV_WINE_RUN} ${QV_WINE_PREFIX}
    WORKING_DIRECTORY ${QV_BIN})
  set_tests_properties(e2e_rawdemo_kernel_error PROPERTIES RESOURCE_LOCK "desktop;quorvel_bin")
endif()
