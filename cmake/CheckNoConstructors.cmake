# Fails the build when a driver image carries global constructors or
# destructors (sections the firmware's loader would never run).
execute_process(COMMAND ${OBJDUMP} -h ${IMAGE} OUTPUT_VARIABLE sections RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${IMAGE}")
endif()
foreach(section .init_array .fini_array .ctors .dtors .preinit_array)
  string(FIND "${sections}" " ${section} " at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${IMAGE}: driver code has a ${section} section (global constructor or destructor)")
  endif()
endforeach()
