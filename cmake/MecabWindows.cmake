# MeCab for the Windows build: the upstream tarball of the distribution's source package
# (tools/build-windows.sh fetches it), our patch for a static library, compiled here into
# velmora::MeCab. The patch makes the DLL import marks conditional on MECAB_STATIC and gives
# a static build its per-thread error buffer (the DLL's own is set up in DllMain).
set(VELMORA_MECAB_SOURCE "" CACHE FILEPATH "mecab_<version>.orig.tar.gz of the source package mecab")
if(NOT EXISTS "${VELMORA_MECAB_SOURCE}")
  message(FATAL_ERROR "The Windows build needs MeCab's source: -DVELMORA_MECAB_SOURCE=<mecab_*.orig.tar.gz> "
                      "(tools/build-windows.sh fetches it)")
endif()

set(_mecab_root ${CMAKE_BINARY_DIR}/mecab-src)
set(_mecab_patch ${PROJECT_SOURCE_DIR}/cmake/mecab/mecab-static.patch)
file(SHA256 ${_mecab_patch} _patch_hash)
file(SHA256 ${VELMORA_MECAB_SOURCE} _tar_hash)
set(_stamp "${_tar_hash} ${_patch_hash}")
if(EXISTS ${_mecab_root}/stamp)
  file(READ ${_mecab_root}/stamp _old_stamp)
else()
  set(_old_stamp "")
endif()
if(NOT _old_stamp STREQUAL _stamp)
  file(REMOVE_RECURSE ${_mecab_root})
  file(ARCHIVE_EXTRACT INPUT ${VELMORA_MECAB_SOURCE} DESTINATION ${_mecab_root})
  file(GLOB _top LIST_DIRECTORIES true ${_mecab_root}/mecab-*)
  file(RENAME ${_top} ${_mecab_root}/mecab)
  find_program(PATCH_EXECUTABLE patch REQUIRED)
  execute_process(COMMAND ${PATCH_EXECUTABLE} -p1 -i ${_mecab_patch}
                  WORKING_DIRECTORY ${_mecab_root}/mecab RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "MeCab's patch does not apply to ${VELMORA_MECAB_SOURCE}")
  endif()
  file(WRITE ${_mecab_root}/stamp "${_stamp}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_mecab_patch} ${VELMORA_MECAB_SOURCE})

set(_src ${_mecab_root}/mecab/src)
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
