# Builds a PE32+ EFI boot-service driver (subsystem 11, x86-64) from driver
# sources with clang and lld-link, independent of the host compiler.
find_program(FW_CLANGXX clang++ REQUIRED)
find_program(FW_LLD_LINK lld-link REQUIRED)

set(FW_EFI_FLAGS --target=x86_64-unknown-windows -std=c++20 -O2 -ffreestanding -nostdinc
    -fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-stack-protector -mno-red-zone
    -fno-asynchronous-unwind-tables -fno-unwind-tables -Wall -Wextra
    -I${PROJECT_SOURCE_DIR} -I${PROJECT_SOURCE_DIR}/support/include)

# Compiles each source with the image flags into an object under
# efi-obj/<name>; the object paths are returned in out_var.
function(fw_efi_objects out_var name)
  set(objects)
  foreach(src ${ARGN})
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${src})
    string(REPLACE "/" "_" stem ${rel})
    set(obj ${CMAKE_CURRENT_BINARY_DIR}/efi-obj/${name}/${stem}.obj)
    add_custom_command(OUTPUT ${obj}
      COMMAND ${FW_CLANGXX} ${FW_EFI_FLAGS} -MD -MF ${obj}.d -c ${src} -o ${obj}
      DEPENDS ${src}
      DEPFILE ${obj}.d
      COMMENT "EFI compile ${rel}"
      VERBATIM)
    list(APPEND objects ${obj})
  endforeach()
  set(${out_var} ${objects} PARENT_SCOPE)
endfunction()

# Sources that must compile for the image target without being part of an
# image (layout checks): built with every build, linked into nothing.
function(fw_efi_compile_check name)
  fw_efi_objects(objects ${name} ${ARGN})
  add_custom_target(${name} ALL DEPENDS ${objects})
endfunction()

function(fw_efi_image name)
  fw_efi_objects(objects ${name} ${ARGN})
  set(image ${CMAKE_BINARY_DIR}/efi/${name}.efi)
  add_custom_command(OUTPUT ${image}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/efi
    COMMAND ${FW_LLD_LINK} /nologo /subsystem:efi_boot_service_driver /machine:x64 /entry:EfiDriverEntry
            /nodefaultlib /dynamicbase /out:${image} ${objects}
    DEPENDS ${objects}
    COMMENT "EFI link ${name}.efi"
    VERBATIM)
  add_custom_target(${name}Efi ALL DEPENDS ${image})
  set_property(GLOBAL APPEND PROPERTY FW_EFI_IMAGES ${image})
endfunction()
