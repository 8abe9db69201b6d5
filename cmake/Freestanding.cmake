# Driver code (support/, sentrel/, fwlift/) is freestanding: no standard
# library headers (-nostdinc makes any such include fail to compile), no
# exceptions, no RTTI, no global constructors, nothing linked but itself.
set(FW_FREESTANDING_FLAGS
  -ffreestanding -nostdinc -fno-exceptions -fno-rtti -fno-threadsafe-statics
  -fno-stack-protector -fvisibility=hidden -fno-common)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # Keeps the compiler from turning copy loops into calls of memcpy itself.
  list(APPEND FW_FREESTANDING_FLAGS -fno-tree-loop-distribute-patterns)
endif()
# The host build keeps unwind tables: a halt ends the simulated boot by
# unwinding out of the driver without running anything in it.
set(FW_HOST_DRIVER_FLAGS ${FW_FREESTANDING_FLAGS} -funwind-tables)

# Driver code compiled once with the freestanding flags, as an object
# library that each host driver links its own copy of.
function(fw_freestanding_objects name)
  add_library(${name} OBJECT ${ARGN})
  target_compile_options(${name} PRIVATE ${FW_HOST_DRIVER_FLAGS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/support/include)
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

# A driver built for the virtual platform: a shared object with its own copy
# of the support library, linking nothing else.
function(fw_host_driver name)
  cmake_parse_arguments(ARG "" "" "OBJECTS" ${ARGN})
  set(objects)
  foreach(lib ${ARG_OBJECTS})
    list(APPEND objects $<TARGET_OBJECTS:${lib}>)
  endforeach()
  add_library(${name} MODULE ${PROJECT_SOURCE_DIR}/support/src/CompilerRuntime.cpp ${objects})
  target_compile_options(${name} PRIVATE ${FW_HOST_DRIVER_FLAGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/support/include)
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".so"
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/drivers)
  target_link_options(${name} PRIVATE -nostdlib -Wl,--exclude-libs,ALL)
  if(NOT FW_SANITIZE)
    # Nothing may stay unresolved (no runtime beyond what the library
    # provides), and no global constructor or destructor may exist.
    target_link_options(${name} PRIVATE -Wl,--no-undefined -Wl,-z,defs)
    add_custom_command(TARGET ${name} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -DIMAGE=$<TARGET_FILE:${name}> -DOBJDUMP=${CMAKE_OBJDUMP}
              -P ${PROJECT_SOURCE_DIR}/cmake/CheckNoConstructors.cmake
      VERBATIM)
  endif()
endfunction()
