# Every Windows build of the two plug-in libraries gives back, when it is
# unloaded, what its statically linked C++ runtime took
# (packaging/RuntimeCleanup.cpp). Its entry point runs the C runtime's own.
# A 32-bit build also keeps its frame tables with its own unwinder when the
# shared runtime library is in the process (packaging/FrameRegistration.cpp).
function(kelvado_runtime_cleanup target)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/packaging/RuntimeCleanup.cpp
                                   ${PROJECT_SOURCE_DIR}/packaging/LibraryEntry.cpp)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/packaging/FrameRegistration.cpp)
    set(entry _RuntimeCleanupEntry@12)
    set(imports _imp__CreateSemaphoreW@16 _imp__CloseHandle@4 _imp__GetModuleHandleA@4)
  else()
    set(entry RuntimeCleanupEntry)
    set(imports __imp_CreateSemaphoreW __imp_CloseHandle)
  endif()
  target_link_options(${target} PRIVATE -Wl,--entry,${entry})
  # The library's calls through these import entries reach the modules'
  # own functions: the recorders, which close the semaphores that the
  # runtime leaves open, and the start-up lookup's answer.
  foreach(import ${imports})
    target_link_options(${target} PRIVATE -Wl,--wrap=${import})
  endforeach()
endfunction()

# What makes a library of the release tree shippable. kelvado_release_library
# is called for each of the two plug-in libraries; outside the release tree
# it does nothing.
#
# The linker writes the library with its symbols and debug information to
# unstripped/ (the release check disassembles that file). After each link,
# bin/NAME.dll.debug receives the debug information and bin/NAME.dll is the
# stripped library, linked to its debug file by name and checksum, so that
# a debugger next to bin/ resolves a crash address of the shipped file. No
# step leaves a time stamp: a build is the same bytes wherever it runs.
function(kelvado_release_library target)
  if(WIN32)
    kelvado_runtime_cleanup(${target})
  endif()
  # A 32-bit library's code installs no structured exception handler (C++
  # exceptions unwind through their DWARF tables), so the header says so:
  # without NO_SEH or a SafeSEH table, which this linker cannot write,
  # Windows would accept any address in the library as the handler of an
  # overwritten exception record. 64-bit images list every handler in
  # their exception tables (.pdata), and their C++ exceptions go through
  # them: this is for 32-bit images only.
  if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(${target} PRIVATE -Wl,--no-seh)
  endif()
  if(NOT KELVADO_RELEASE_TREE)
    return()
  endif()
  if(NOT CMAKE_OBJCOPY)
    message(FATAL_ERROR "objcopy of the toolchain not found")
  endif()
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/packaging/NoTlsDirectory.c)
  set(unstripped_dir ${CMAKE_BINARY_DIR}/unstripped)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${unstripped_dir})
  set(name $<TARGET_FILE_NAME:${target}>)
  set(bin ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  # objcopy writes a PE file's header anew, with the time of the copy in it
  # unless SOURCE_DATE_EPOCH names another; 0 is what the linker wrote.
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${objcopy} --only-keep-debug ${unstripped_dir}/${name} ${bin}/${name}.debug
    COMMAND ${objcopy} --strip-all --add-gnu-debuglink=${bin}/${name}.debug
            ${unstripped_dir}/${name} ${bin}/${name}
    VERBATIM)
endfunction()
