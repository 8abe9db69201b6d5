# Prompt presentation of the password driver: its sources, and the built-in
# images packed at build time into a generated source (included from
# sentrel/CMakeLists.txt, which adds SENTREL_PROMPT_SOURCES to the driver).
set(SENTREL_PROMPT_IMAGES
  01-master.bmp
  02-drive0.bmp
  03-drive1.bmp
  04-drive2.bmp
  05-spare4.bmp
  06-spare5.bmp
  07-spare6.bmp
  08-spare7.bmp
  09-typed.bmp
  10-locked.bmp
  11-drive.bmp
  12-failed.bmp
  13-poweron.bmp
  14-supervisor.bmp
  15-accepted.bmp
)
list(TRANSFORM SENTREL_PROMPT_IMAGES PREPEND ${CMAKE_CURRENT_LIST_DIR}/images/)

set(SENTREL_PROMPT_PACKAGE ${CMAKE_CURRENT_BINARY_DIR}/PromptImagePackage.cpp)
add_custom_command(OUTPUT ${SENTREL_PROMPT_PACKAGE}
  COMMAND imagepack ${SENTREL_PROMPT_PACKAGE} PromptImagePackage sentrel/prompt/ImagePackage.h
          ${SENTREL_PROMPT_IMAGES}
  DEPENDS imagepack ${SENTREL_PROMPT_IMAGES}
  COMMENT "Packing the prompt images"
  VERBATIM)
# The PE32+ image, built from the top directory, compiles the generated source
# too; Ninja finds the rule above through the object libraries here that use
# it, so the file is made before either compiles it.

set(SENTREL_PROMPT_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/BmpDecode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImagePackage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PromptImage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PromptState.cpp
  ${SENTREL_PROMPT_PACKAGE}
)

# The same sources on their own, for the unit tests of the decoder and images.
fw_freestanding_objects(sentrel_prompt_objs ${SENTREL_PROMPT_SOURCES})
