# Loadable plug-in modules. parvolino_add_module builds one from the entry
# point (vst2/PluginEntry.cpp) and the libraries given, one of which defines
# createEffectInstance. Only the entry points are exported:
#   Linux:   <name>.so exporting VSTPluginMain and main (version script)
#   Windows: <name>.dll exporting main and VSTPluginMain undecorated (.def)
#
#   parvolino_add_module(TARGET <target> OUTPUT_NAME <name> LIBS <libs...>)
function(parvolino_add_module)
  cmake_parse_arguments(ARG "" "TARGET;OUTPUT_NAME" "LIBS" ${ARGN})
  if(NOT ARG_TARGET OR NOT ARG_OUTPUT_NAME)
    message(FATAL_ERROR "parvolino_add_module: TARGET and OUTPUT_NAME are required")
  endif()
  set(host_dir ${CMAKE_SOURCE_DIR}/vst2)
  if(WIN32)
    add_library(${ARG_TARGET} SHARED ${host_dir}/PluginEntry.cpp ${host_dir}/exports.def)
    set_target_properties(${ARG_TARGET} PROPERTIES PREFIX "" OUTPUT_NAME ${ARG_OUTPUT_NAME})
    # Only system DLLs may be imported: the runtime goes inside the module.
    target_link_options(${ARG_TARGET} PRIVATE -static -static-libgcc -static-libstdc++)
  else()
    add_library(${ARG_TARGET} MODULE ${host_dir}/PluginEntry.cpp)
    set_target_properties(${ARG_TARGET} PROPERTIES PREFIX "" SUFFIX ".so" OUTPUT_NAME ${ARG_OUTPUT_NAME}
      LINK_DEPENDS ${host_dir}/exports.map)
    target_link_options(${ARG_TARGET} PRIVATE -Wl,--version-script=${host_dir}/exports.map)
    if(NOT PARVOLINO_SANITIZE)
      # A symbol nobody defines should fail the build, not the host's dlopen.
      target_link_options(${ARG_TARGET} PRIVATE -Wl,--no-undefined)
    endif()
  endif()
  target_link_libraries(${ARG_TARGET} PRIVATE ${ARG_LIBS} parvolino_vst2 ${CMAKE_DL_LIBS})
endfunction()

# The shipped module, once the instrument exists.
if(TARGET parvolino_engine)
  set(parvolino_module_libs)
  foreach(lib parvolino_vst2_instrument parvolino_engine parvolino_editor parvolino_gui parvolino_platform
              parvolino_resources parvolino_sample)
    if(TARGET ${lib})
      list(APPEND parvolino_module_libs ${lib})
    endif()
  endforeach()
  if(WIN32)
    set(parvolino_module_name ${PARVOLINO_DLL_NAME})
  else()
    set(parvolino_module_name parvolino)
  endif()
  parvolino_add_module(TARGET parvolino_module OUTPUT_NAME ${parvolino_module_name}
                       LIBS ${parvolino_module_libs})
  set_target_properties(parvolino_module PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()

# On Windows the tests do not run, but the test effect is still built as a
# DLL there, so the entry point, the exports and the 32-bit record layout are
# proven by every cross build (the Linux test module is built by tests/vst2).
if(WIN32 AND TARGET parvolino_testfx)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(testfx_name testfx-x64)
  else()
    set(testfx_name testfx-x86)
  endif()
  parvolino_add_module(TARGET testfx_module OUTPUT_NAME ${testfx_name} LIBS parvolino_testfx)
  set_target_properties(testfx_module PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
endif()
