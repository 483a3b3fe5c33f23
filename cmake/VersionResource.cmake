# Gives a Windows program or module its version information, which Explorer's
# properties and Task Manager show. One template serves every file; only the
# description and the names differ.
function(tw_add_version_resource target description)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(TW_VERSION_FILE_TYPE VFT_APP)
    set(TW_VERSION_FILE_NAME ${target}.exe)
  else()
    set(TW_VERSION_FILE_TYPE VFT_DLL)
    set(TW_VERSION_FILE_NAME ${target}.dll)
  endif()
  set(TW_VERSION_NAME ${target})
  set(TW_VERSION_DESCRIPTION "${description}")
  set(resource ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/resources/version.rc.in ${resource} @ONLY)
  target_sources(${target} PRIVATE ${resource})
endfunction()
