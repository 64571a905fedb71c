# Checks of what ships and of what a person sees: the two plug-in libraries'
# machine type, exports, imports, headers, calling convention, version
# resources and package, read from the built files; and the real dialogs
# and message boxes under Wine on a private X display.
find_package(Python3 COMPONENTS Interpreter QUIET)

# The picture of an import, through the whole chain: a box (12 edges and a
# diagonal on each of its 6 faces) and a one-triangle fin.
if(WIN32)
  set(program_path_prefix "Z:")
endif()
add_test(NAME svg_picture
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/check_svg.sh
                 ${program_path_prefix}${CMAKE_CURRENT_BINARY_DIR}/gui_box.svg
                 ${program_path_prefix}${CMAKE_CURRENT_SOURCE_DIR}/data/gui_box.3do 18 3 --
                 ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:modelhost>)
set_tests_properties(svg_picture PROPERTIES SKIP_RETURN_CODE 77)
if(NOT WIN32 OR NOT Python3_Interpreter_FOUND)
  return()
endif()

# Reads a library's version strings through GetFileVersionInfoA under Wine.
add_executable(read_version ${CMAKE_CURRENT_SOURCE_DIR}/read_version.cpp)
target_link_libraries(read_version PRIVATE version)
# Lists a top-level window's controls and their texts, for the dialog tests.
add_executable(read_window ${CMAKE_CURRENT_SOURCE_DIR}/read_window.cpp)
# The other program's window behind the host, for the dialog tests.
add_executable(other_program ${CMAKE_CURRENT_SOURCE_DIR}/other_program.cpp)

set(KELVADO_CHECK_RELEASE ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/check_release.py)
if(KELVADO_RELEASE_TREE)
  # What ships, as it ships: dist/ (the stripped libraries and the package),
  # and the unstripped libraries whose symbols and code the check reads.
  set(KELVADO_READ_VERSION ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh 32 $<TARGET_FILE:read_version>)
  add_test(NAME release_libraries
           COMMAND ${KELVADO_CHECK_RELEASE} ${CMAKE_BINARY_DIR}/dist
                   --unstripped ${CMAKE_BINARY_DIR}/unstripped --version-reader ${KELVADO_READ_VERSION})
  set_tests_properties(release_libraries PROPERTIES SKIP_RETURN_CODE 77)
  return()
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # The 32-bit GoogleTest tree's libraries do not ship (the release tree
  # builds those); its tests need read_version, read_window and
  # other_program only.
  return()
endif()

# The 64-bit tree checks the shipped files of the release tree beside it
# (win64 -> release), whose version resources its own 64-bit reader can read
# as data.
get_filename_component(tree_name ${CMAKE_BINARY_DIR} NAME)
get_filename_component(tree_parent ${CMAKE_BINARY_DIR} DIRECTORY)
string(REPLACE "win64" "release" sibling_name ${tree_name})
set(KELVADO_RELEASE_DIR ${tree_parent}/${sibling_name} CACHE PATH
    "The release tree whose dist/ and unstripped/ libraries the release check inspects")
set(KELVADO_READ_VERSION ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh 64 $<TARGET_FILE:read_version>)
add_test(NAME release_libraries
         COMMAND ${KELVADO_CHECK_RELEASE} ${KELVADO_RELEASE_DIR}/dist
                 --unstripped ${KELVADO_RELEASE_DIR}/unstripped --version-reader ${KELVADO_READ_VERSION})
add_test(NAME release_libraries_win64
         COMMAND ${KELVADO_CHECK_RELEASE} ${CMAKE_BINARY_DIR}/bin --arch x86-64 --version-reader
                 ${KELVADO_READ_VERSION})
set_tests_properties(release_libraries release_libraries_win64 PROPERTIES SKIP_RETURN_CODE 77)

# The dialog tests run the shipped 32-bit build (the release tree's) when the
# machine runs 32-bit processes, and this 64-bit build otherwise; they need a
# display server, xdotool and ImageMagick, and report a skip when one is
# missing.
add_test(NAME gui_e2e
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/gui_e2e.sh ${CMAKE_BINARY_DIR}/bin
                 ${KELVADO_RELEASE_DIR}/bin ${CMAKE_CURRENT_SOURCE_DIR}/data)
# The longest test of its tree, mostly waiting for windows: started first
# (CTest starts the costliest first), the others run beside it.
set_tests_properties(gui_e2e PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 900 COST 30)
