# MeCab for the Windows build: the upstream tarball of the distribution's source package
# (tools/build-windows.sh fetches it), our patch for a static library, compiled here into
# velmora::MeCab. The patch makes the DLL import marks conditional on MECAB_STATIC and gives
# a static build its per-thread error buffer (the DLL's own is set up in DllMain).
include(${CMAKE_CURRENT_LIST_DIR}/SourcePackage.cmake)
velmora_unpack_source(VELMORA_MECAB_SOURCE mecab ${CMAKE_BINARY_DIR}/mecab-src
                      ${PROJECT_SOURCE_DIR}/cmake/mecab/mecab-static.patch)

set(_src ${CMAKE_BINARY_DIR}/mecab-src/tree/src)
add_library(velmora_mecab STATIC
  ${_src}/viterbi.cpp ${_src}/tagger.cpp ${_src}/utils.cpp ${_src}/eval.cpp ${_src}/iconv_utils.cpp
  ${_src}/dictionary_rewriter.cpp ${_src}/dictionary_generator.cpp ${_src}/dictionary_compiler.cpp
  ${_src}/context_id.cpp ${_src}/connector.cpp ${_src}/nbest_generator.cpp ${_src}/writer.cpp
  ${_src}/string_buffer.cpp ${_src}/param.cpp ${_src}/tokenizer.cpp ${_src}/char_property.cpp
  ${_src}/dictionary.cpp ${_src}/feature_index.cpp ${_src}/lbfgs.cpp ${_src}/learner_tagger.cpp
  ${_src}/learner.cpp ${_src}/libmecab.cpp)
# C++98-era code: built as it was written, without our warnings.
set_target_properties(velmora_mecab PROPERTIES CXX_STANDARD 11 CXX_EXTENSIONS ON)
target_compile_options(velmora_mecab PRIVATE -w)
target_compile_definitions(velmora_mecab
  PRIVATE HAVE_CONFIG_H DIC_VERSION=102 MECAB_USE_UTF8_ONLY MECAB_DEFAULT_RC="" UNICODE _UNICODE
  PUBLIC MECAB_STATIC)
target_include_directories(velmora_mecab PRIVATE ${PROJECT_SOURCE_DIR}/cmake/mecab
                           INTERFACE ${_src})
add_library(Velmora::MeCab ALIAS velmora_mecab)
