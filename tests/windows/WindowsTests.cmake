# The tests of the Windows build, cross-compiled with MinGW-w64 and run under
# Wine through CMake's cross-compiling emulator.
#
# GoogleTest comes from Debian's sources (the googletest package). Each test
# program is one CTest test that runs all its cases in one Wine process:
# starting Wine costs far more than any of these tests. They all share one
# Wine prefix in the build folder, made once by the first test.
#
# The portable tests are those of the bolt, the vectors, the BMP decoder,
# the file buffer, textures, text and the demo's logic on recorded GL calls
# and a scripted window layer. The tests of the Linux layer, of SDL and of
# real GL contexts stay in the Linux build.

set(LIGHTNING_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources, built for the target")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${LIGHTNING_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# No debug chatter, and no offer to install Mono or Gecko into a new prefix.
set(LIGHTNING_WINE_ENVIRONMENT
  "WINEPREFIX=${CMAKE_BINARY_DIR}/wine" "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml=")
# The tests on an X server have a prefix of their own. A prefix's Wine
# server keeps one desktop for all its programs, on the X display of the
# program that made it: a desktop made by a test without a display, or on
# the display of a test that has ended, would leave no window shown.
set(LIGHTNING_WINE_DISPLAY_ENVIRONMENT
  "WINEPREFIX=${CMAKE_BINARY_DIR}/wine-display" "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml=")

# Without Wine (the toolchain file found none: a release whose archive has
# none) everything still builds, the zip is still checked, and each test
# that would run a Windows program runs this instead: one line saying what
# is missing, and a skip, or a failure on CI where the archive has Wine.
set(LIGHTNING_WITHOUT_WINE bash ${CMAKE_CURRENT_SOURCE_DIR}/windows/without_wine.sh)

find_program(LIGHTNING_WINEBOOT wineboot)
if(LIGHTNING_WINE)
  add_test(NAME windows_wine_prefix
    COMMAND ${CMAKE_COMMAND} -E env ${LIGHTNING_WINE_ENVIRONMENT} ${LIGHTNING_WINEBOOT} -i)
  add_test(NAME windows_wine_display_prefix
    COMMAND ${CMAKE_COMMAND} -E env ${LIGHTNING_WINE_DISPLAY_ENVIRONMENT} ${LIGHTNING_WINEBOOT} -i)
else()
  add_test(NAME windows_wine_prefix COMMAND ${LIGHTNING_WITHOUT_WINE})
  add_test(NAME windows_wine_display_prefix COMMAND ${LIGHTNING_WITHOUT_WINE})
  set_tests_properties(windows_wine_prefix windows_wine_display_prefix PROPERTIES SKIP_RETURN_CODE 77)
endif()
set_tests_properties(windows_wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
set_tests_properties(windows_wine_display_prefix PROPERTIES FIXTURES_SETUP wine_display TIMEOUT 180)

add_library(gl_recorder STATIC support/GLRecorder.cpp support/GLRecorder.h)
target_link_libraries(gl_recorder PUBLIC glbinding)
add_library(fake_win32 STATIC support/FakeWin32.cpp support/FakeWin32.h)

function(lightning_gtest target)
  cmake_parse_arguments(PARSE_ARGV 1 test "" "WORKING_DIRECTORY" "")
  add_executable(${target} ${test_UNPARSED_ARGUMENTS})
  target_link_libraries(${target} PRIVATE GTest::gtest GTest::gtest_main)
  if(NOT test_WORKING_DIRECTORY)
    set(test_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  if(LIGHTNING_WINE)
    add_test(NAME windows_${target} COMMAND ${target} WORKING_DIRECTORY ${test_WORKING_DIRECTORY})
  else()
    add_test(NAME windows_${target} COMMAND ${LIGHTNING_WITHOUT_WINE})
    set_tests_properties(windows_${target} PROPERTIES SKIP_RETURN_CODE 77)
  endif()
  set_tests_properties(windows_${target} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 120
    LABELS windows ENVIRONMENT "${LIGHTNING_WINE_ENVIRONMENT}")
endfunction()

lightning_gtest(floating_point_test glbinding/FloatingPointTest.cpp)
target_link_libraries(floating_point_test PRIVATE glbinding)

lightning_gtest(lightning_test lightning/VectorTest.cpp lightning/BoltTest.cpp)
target_link_libraries(lightning_test PRIVATE lightning gl_recorder)

add_library(imaging_test_files STATIC imaging/ImagingTestFiles.cpp imaging/ImagingTestFiles.h)
lightning_gtest(imaging_tests imaging/SDataTest.cpp imaging/BmpLoaderTest.cpp imaging/TextureLibTest.cpp
  imaging/DTextureTest.cpp)
target_link_libraries(imaging_tests PRIVATE imaging imaging_test_files gl_recorder)
lightning_gtest(imaging_corpus_tests imaging/CorpusReplayTest.cpp)
target_link_libraries(imaging_corpus_tests PRIVATE imaging)
target_compile_definitions(imaging_corpus_tests PRIVATE
  IMAGING_CORPUS_DIR="${CMAKE_CURRENT_SOURCE_DIR}/imaging/corpus")

lightning_gtest(text_test text/GlTextTest.cpp text/Cp1251Test.cpp)
target_link_libraries(text_test PRIVATE text gl_recorder)
lightning_gtest(font_bitmap_test text/FontBitmapTest.cpp WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
target_link_libraries(font_bitmap_test PRIVATE imaging)

lightning_gtest(demo_test demo/WindowTest.cpp demo/LoopTest.cpp demo/MainTest.cpp demo/OverlayTest.cpp)
target_link_libraries(demo_test PRIVATE demo fake_win32 gl_recorder)

# The program itself under Wine, on a virtual screen and on a real X server
# that changes modes (Xorg with the dummy driver). One at a time, each
# waiting for the Wine server of the one before to end: a prefix's desktop
# serves one X display.
# The GLU library that hides swap control: in a folder of its own, as Wine
# prefers a GLU library beside the program to its own.
add_library(glu_hiding_swap_control SHARED windows/glu_hiding_swap_control.c)
set_target_properties(glu_hiding_swap_control PROPERTIES OUTPUT_NAME glu32 PREFIX ""
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/hiding_swap_control)
add_test(NAME windows_on_screen
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows/on_screen.sh $<TARGET_FILE:lightning_app> ${PROJECT_SOURCE_DIR}
    $<TARGET_FILE:glu_hiding_swap_control>)
set_tests_properties(windows_on_screen PROPERTIES COST 25 FIXTURES_REQUIRED wine_display TIMEOUT 300
  SKIP_RETURN_CODE 77 RESOURCE_LOCK wine_display LABELS "windows;display"
  ENVIRONMENT "${LIGHTNING_WINE_DISPLAY_ENVIRONMENT}")
add_test(NAME windows_display_mode
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows/display_mode.sh $<TARGET_FILE:lightning_app> ${PROJECT_SOURCE_DIR})
set_tests_properties(windows_display_mode PROPERTIES FIXTURES_REQUIRED wine_display TIMEOUT 300
  SKIP_RETURN_CODE 77 RESOURCE_LOCK wine_display LABELS "windows;display"
  ENVIRONMENT "${LIGHTNING_WINE_DISPLAY_ENVIRONMENT}")

find_program(LIGHTNING_OBJDUMP NAMES ${CMAKE_CXX_COMPILER_TARGET}-objdump x86_64-w64-mingw32-objdump objdump)
add_test(NAME windows_package
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows/package.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION}
    ${LIGHTNING_OBJDUMP})
set_tests_properties(windows_package PROPERTIES TIMEOUT 120 LABELS windows)

# The same bolts as the Linux build, bit for bit: both builds' digests of
# many bolts. LIGHTNING_LINUX_BUILD is the Linux build folder (test.sh
# passes it); without it the comparison is skipped.
add_executable(bolt_digest lightning/BoltDigest.cpp)
target_link_libraries(bolt_digest PRIVATE lightning)
set(LIGHTNING_LINUX_BUILD "" CACHE PATH "The Linux build folder, for the tests that compare the two builds")
add_test(NAME windows_bolts_match_linux
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/lightning/same_bolts.sh Windows "${LIGHTNING_LINUX_BUILD}"
    wine $<TARGET_FILE:bolt_digest>)
set_tests_properties(windows_bolts_match_linux PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 120
  SKIP_RETURN_CODE 77 LABELS windows ENVIRONMENT "${LIGHTNING_WINE_ENVIRONMENT}")

# Our Linux layer's key and character messages against Wine's user32 for the
# same X key events: the key probe of the Linux build and this build's.
add_executable(key_probe keys/KeyProbe.cpp)
target_link_libraries(key_probe PRIVATE demo platform gl_recorder)
add_test(NAME keys_linux_layer_against_wine
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/keys/keys_against_wine.sh
    "${LIGHTNING_LINUX_BUILD}/tests/keys/key_probe" $<TARGET_FILE:key_probe> ${PROJECT_SOURCE_DIR})
set_tests_properties(keys_linux_layer_against_wine PROPERTIES COST 14 FIXTURES_REQUIRED wine_display TIMEOUT 240
  SKIP_RETURN_CODE 77 RESOURCE_LOCK wine_display LABELS "windows;display"
  ENVIRONMENT "${LIGHTNING_WINE_DISPLAY_ENVIRONMENT}")
