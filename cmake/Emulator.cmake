# Programs of a build that runs under an emulator (CMAKE_CROSSCOMPILING_EMULATOR,
# the ARM builds' qemu-user), started by something other than CMake: a test
# script, or the demo itself. Without a binfmt handler the host's kernel
# cannot exec the target's program, so these are started through a small
# host script that hands it to the emulator.
#
#   lightning_emulated(TARGET SCRIPT)  writes SCRIPT, which runs TARGET
#                                      under the emulator with its arguments
#   lightning_runnable(VAR TARGET)     VAR: what starts TARGET here, the
#                                      target's file or, emulated, such a
#                                      script in emulated/

function(lightning_emulated target script)
  set(command "")
  foreach(word IN LISTS CMAKE_CROSSCOMPILING_EMULATOR)
    string(APPEND command "'${word}' ")
  endforeach()
  file(GENERATE OUTPUT ${script}
    CONTENT "#!/bin/sh\nexec ${command}'$<TARGET_FILE:${target}>' \"$@\"\n"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endfunction()

function(lightning_runnable var target)
  if(CMAKE_CROSSCOMPILING_EMULATOR AND NOT WIN32)
    set(script ${CMAKE_BINARY_DIR}/emulated/$<TARGET_FILE_NAME:${target}>)
    get_property(done GLOBAL PROPERTY lightning_emulated_${target})
    if(NOT done)
      lightning_emulated(${target} ${script})
      set_property(GLOBAL PROPERTY lightning_emulated_${target} TRUE)
    endif()
    set(${var} ${script} PARENT_SCOPE)
  else()
    set(${var} $<TARGET_FILE:${target}> PARENT_SCOPE)
  endif()
endfunction()
