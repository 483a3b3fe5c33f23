# Two classes of one name in one namespace link without a word, and which of
# their inline members a program runs then depends on what the compiler
# inlined: one build works, another leaks. Link-time optimisation sees every
# definition of every type at once and names both, so a build that checks
# compiles everything for it and links the product that way; the link fails
# on any name with two definitions.
#
# Included twice: at the "compile" stage before any target is made, so that
# every object carries what the check reads beside its ordinary code, and at
# the "link" stage at the end.
option(TUMBLEWICK_CHECK_ONE_DEFINITION "Link the product with link-time optimisation, failing on any name defined twice" OFF)
if(NOT TUMBLEWICK_CHECK_ONE_DEFINITION)
  return()
endif()

set(twOneDefinitionLinkOptions -flto=auto -Werror=odr -Werror=lto-type-mismatch)

if(TW_ONE_DEFINITION_STAGE STREQUAL "compile")
  add_compile_options(-flto=auto -ffat-lto-objects)
  # GCC optimises every link across the objects that carry that code, asked
  # or not, and a -fno-lto anywhere in a link turns the check off: every link
  # but the check's takes the ordinary code, which is what the program and
  # the tests run.
  add_link_options("$<$<NOT:$<BOOL:$<TARGET_PROPERTY:TW_CHECKS_ONE_DEFINITION>>>:-fno-lto>")
  return()
endif()

# Every object of the game's libraries, whether or not the program needs it
# today: the tests link them in other combinations.
set(twLibraries tw_shell tw_model tw_presentation tw_settings_dialogs tw_settings tw_platform)
set(twObjects)
foreach(library IN LISTS twLibraries)
  list(APPEND twObjects $<TARGET_OBJECTS:${library}>)
endforeach()
if(WIN32)
  add_executable(tw_one_definition_check WIN32 shell/main.cpp ${twObjects})
else()
  add_executable(tw_one_definition_check shell/main.cpp ${twObjects})
endif()
# The libraries again only for what they need from the system; their own
# objects are all in already.
target_link_libraries(tw_one_definition_check PRIVATE ${twLibraries} tw_resources)
target_link_options(tw_one_definition_check PRIVATE ${twOneDefinitionLinkOptions})
set_target_properties(tw_one_definition_check PROPERTIES TW_CHECKS_ONE_DEFINITION ON)
set_target_properties(tw_one_definition_check PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/one-definition-check)
# The card module is a program of its own.
if(TARGET cards32)
  target_link_options(cards32 PRIVATE ${twOneDefinitionLinkOptions})
  set_target_properties(cards32 PROPERTIES TW_CHECKS_ONE_DEFINITION ON)
endif()
