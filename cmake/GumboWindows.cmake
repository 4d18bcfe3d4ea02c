# Gumbo, the HTML5 parser, for the Windows build: the upstream tarball of the distribution's
# source package (tools/build-windows.sh fetches it), compiled here as it stands into the
# static library Velmora::Gumbo. The Linux build links the distribution's libgumbo.
include(${CMAKE_CURRENT_LIST_DIR}/SourcePackage.cmake)
velmora_unpack_source(VELMORA_GUMBO_SOURCE gumbo-parser ${CMAKE_BINARY_DIR}/gumbo-src)

enable_language(C)
set(_src ${CMAKE_BINARY_DIR}/gumbo-src/tree/src)
file(GLOB _gumbo_sources ${_src}/*.c)
if(NOT _gumbo_sources)
  message(FATAL_ERROR "${VELMORA_GUMBO_SOURCE} holds no src/*.c")
endif()
add_library(velmora_gumbo STATIC ${_gumbo_sources})
# Upstream's C99, built as it was written, without our warnings.
set_target_properties(velmora_gumbo PROPERTIES C_STANDARD 99 C_EXTENSIONS ON)
target_compile_options(velmora_gumbo PRIVATE -w)
# Only the public header (and the tag list it includes) is seen by our code.
set(_include ${CMAKE_BINARY_DIR}/gumbo-src/include)
file(MAKE_DIRECTORY ${_include})
file(GLOB _public ${_src}/gumbo.h ${_src}/tag_enum.h)
file(COPY ${_public} DESTINATION ${_include})
target_include_directories(velmora_gumbo SYSTEM INTERFACE ${_include})
add_library(Velmora::Gumbo ALIAS velmora_gumbo)
