# The set-up script's deb-src entry, against sources trees in a temporary
# folder. A host-side check: registered once, in the x86_64 tree.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  add_test(NAME setup_src_entry COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/setup/src_entry_test.sh ${CMAKE_SOURCE_DIR})
endif()
