# Windows build: the Win32 side of the platform seam, the link flags that keep
# the executables loadable on Windows 98, Me and NT 4.0 (32-bit) and XP x64/2003
# (64-bit), Wine as the test runner, and import and instruction checks on the
# finished executables.
# Included by the top CMakeLists.txt when WIN32.

# Headers of the oldest system each exe runs on: anything newer is not
# declared, so it cannot be called by mistake. 32-bit: Windows NT 4.0 and 95
# (0x0400), with the shell and common-control structures of Internet Explorer
# 5, whose newer parts the program uses only after asking the shell library's
# version or looking the function up at run time. 64-bit: Windows XP x64 and
# Server 2003. The directory property reaches every target of this directory
# (vorlane_core included, though it was created before this file was read) and
# of the subdirectories added after this point.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_compile_definitions(_WIN32_WINNT=0x0400 WINVER=0x0400 _WIN32_IE=0x0500)
else()
  add_compile_definitions(_WIN32_WINNT=0x0502 WINVER=0x0502)
endif()

# Size: the program throws nothing and asks no type at run time, and with
# per-function sections the linker drops whatever nothing calls. Together with
# runtime_win32.cpp this keeps libstdc++'s exception machinery out of the exe.
# Unlike definitions, options reach only targets created after this point, so
# the core library, made before, gets them by name.
set(VORLANE_LEAN_OPTIONS
  $<$<COMPILE_LANGUAGE:C,CXX>:-ffunction-sections> $<$<COMPILE_LANGUAGE:C,CXX>:-fdata-sections>
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions> $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>
  $<$<COMPILE_LANGUAGE:CXX>:-fno-threadsafe-statics>)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # The compiler's default is the Pentium Pro (CMOV); many machines of the
  # 98 and NT 4.0 era are plain Pentiums. scripts/check-cpu.sh counts the rest.
  list(APPEND VORLANE_LEAN_OPTIONS $<$<COMPILE_LANGUAGE:C,CXX>:-march=pentium>)
  # No unwinding without exceptions; 64-bit Windows keeps its unwind data,
  # which its exception dispatch needs to walk through our frames.
  list(APPEND VORLANE_LEAN_OPTIONS $<$<COMPILE_LANGUAGE:C,CXX>:-fno-asynchronous-unwind-tables>)
endif()
add_compile_options(${VORLANE_LEAN_OPTIONS})
target_compile_options(vorlane_core PRIVATE ${VORLANE_LEAN_OPTIONS})

if(NOT DEFINED VORLANE_OBJDUMP)
  set(VORLANE_OBJDUMP "${CMAKE_OBJDUMP}")
endif()
if(NOT DEFINED VORLANE_WINE)
  set(VORLANE_WINE wine)
endif()

# The PE header's subsystem and OS versions: a loader refuses an executable
# that asks for a newer system than itself (binutils writes 4.0 or 6.0
# depending on its version). 4.0 is what Windows 95, 98, Me and NT 4.0 accept;
# the 64-bit format starts at 5.2.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VORLANE_PE_MAJOR_VERSION 5)
  set(VORLANE_PE_MINOR_VERSION 2)
else()
  set(VORLANE_PE_MAJOR_VERSION 4)
  set(VORLANE_PE_MINOR_VERSION 0)
endif()

# The version block and the manifest of res/vorlane.rc take the version from
# project(VERSION); every target that compiles the .rc finds them here.
configure_file(res/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)
configure_file(res/vorlane.manifest ${CMAKE_BINARY_DIR}/generated/vorlane.generated.manifest @ONLY)
include_directories(${CMAKE_BINARY_DIR}/generated)

add_library(vorlane_win32_system STATIC src/platform/win32/system_win32.cpp)
target_include_directories(vorlane_win32_system PUBLIC src)
# ExitWindowsEx is in user32, the token calls are in advapi32.
target_link_libraries(vorlane_win32_system PUBLIC advapi32 user32)

add_library(vorlane_win32_ui STATIC src/platform/win32/ui_win32.cpp)
target_include_directories(vorlane_win32_ui PUBLIC src)
target_link_libraries(vorlane_win32_ui PUBLIC user32)

# Flags every Windows executable of the project gets: no DLL of the compiler's
# runtime to ship, and a PE header old Windows accepts.
function(vorlane_windows_exe_flags target)
  target_link_options(${target} PRIVATE
    -static -static-libgcc -static-libstdc++ $<$<CONFIG:MinSizeRel>:-s> -Wl,--gc-sections
    # No link time in the PE header, so a release build is bit-for-bit repeatable.
    -Wl,--no-insert-timestamp
    -Wl,--major-subsystem-version,${VORLANE_PE_MAJOR_VERSION} -Wl,--minor-subsystem-version,${VORLANE_PE_MINOR_VERSION}
    -Wl,--major-os-version,${VORLANE_PE_MAJOR_VERSION} -Wl,--minor-os-version,${VORLANE_PE_MINOR_VERSION})
endfunction()

# A test that fails when the executable imports what scripts/allowed-imports.txt
# does not allow for it, or carries another PE version than the one above. The
# program must load on the oldest systems; the test programs only under Wine.
function(vorlane_check_imports target)
  set(floor test)
  if(target STREQUAL "vorlane")
    set(floor product)
  endif()
  add_test(NAME imports_${target}
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-imports.sh
            $<TARGET_FILE:${target}> ${VORLANE_OBJDUMP} ${VORLANE_PE_MAJOR_VERSION}.${VORLANE_PE_MINOR_VERSION} ${floor})
endfunction()

# ctest runs .exe targets through this when cross-compiling. Set before the tests
# are defined: each target copies the value when it is created.
if(CMAKE_CROSSCOMPILING)
  set(CMAKE_CROSSCOMPILING_EMULATOR bash ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh --wine=${VORLANE_WINE})
endif()

# wine-run.sh exits 77 where the machine cannot run the program at all (no
# 32-bit support on a 64-bit host): ctest then reports the test as skipped,
# not failed. The tests are added in several folders, so add_test itself
# marks every one; the static checks never exit 77.
function(add_test)
  _add_test(${ARGV})
  if(ARGV0 STREQUAL "NAME")
    set_tests_properties(${ARGV1} PROPERTIES SKIP_RETURN_CODE 77)
  endif()
endfunction()

# The tray program itself, once its entry point exists.
if(EXISTS ${PROJECT_SOURCE_DIR}/src/shell/winmain_win32.cpp)
  file(GLOB VORLANE_WIN32_UI_SOURCES CONFIGURE_DEPENDS src/*/*_win32.cpp)
  list(FILTER VORLANE_WIN32_UI_SOURCES EXCLUDE REGEX "src/platform/")
  set(VORLANE_RESOURCES)
  if(EXISTS ${PROJECT_SOURCE_DIR}/res/vorlane.rc)
    enable_language(RC)
    set(VORLANE_RESOURCES res/vorlane.rc)
  endif()
  add_executable(vorlane WIN32 ${VORLANE_WIN32_UI_SOURCES} ${VORLANE_RESOURCES}
                 src/platform/win32/runtime_win32.cpp)
  target_link_libraries(vorlane PRIVATE vorlane_core vorlane_win32_ui vorlane_win32_system
                        shell32 comctl32 gdi32 ole32)
  # Build paths stay out of the exe, so a clone elsewhere builds the same bytes.
  target_compile_options(vorlane PRIVATE -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                         -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
  vorlane_windows_exe_flags(vorlane)
  vorlane_check_imports(vorlane)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The three CMOVs of the runtime's start-up code, and nothing of ours.
    add_test(NAME cpu_vorlane COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-cpu.sh
             $<TARGET_FILE:vorlane> ${VORLANE_OBJDUMP} 3)
  endif()
endif()
