# CMake generated Testfile for 
# Source directory: /work/main/tests
# Build directory: /work/main/build/native/tests
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
add_test([=[core_tests]=] "/work/main/build/native/tests/core_tests")
set_tests_properties([=[core_tests]=] PROPERTIES  _BACKTRACE_TRIPLES "/work/main/tests/CMakeLists.txt;18;add_test;/work/main/tests/CMakeLists.txt;0;")
