# Every dependency comes from the distribution's packages; tools/setup.sh installs them.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

if(WIN32)
  # The Windows build (mingw-w64): MeCab and Gumbo from their source packages, the system's
  # code pages, WinHTTP and TLS; GoogleTest compiled from the sources the distribution ships.
  include(${CMAKE_CURRENT_LIST_DIR}/MecabWindows.cmake)
  include(${CMAKE_CURRENT_LIST_DIR}/GumboWindows.cmake)
  if(VELMORA_TESTS)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)  # GTest::gtest_main, GTest::gmock
  endif()
  return()
endif()

pkg_check_modules(ICU REQUIRED IMPORTED_TARGET icu-uc)
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
pkg_check_modules(GUMBO REQUIRED IMPORTED_TARGET gumbo)
add_library(Velmora::Gumbo ALIAS PkgConfig::GUMBO)
find_package(OpenSSL REQUIRED)

find_path(MECAB_INCLUDE_DIR mecab.h REQUIRED)
find_library(MECAB_LIBRARY mecab REQUIRED)
add_library(Velmora::MeCab UNKNOWN IMPORTED)
set_target_properties(Velmora::MeCab PROPERTIES
  IMPORTED_LOCATION ${MECAB_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${MECAB_INCLUDE_DIR})

if(VELMORA_APP)
  find_package(Qt6 REQUIRED COMPONENTS Widgets Network Test)
  find_package(X11 REQUIRED)
  if(NOT X11_Xi_FOUND OR NOT X11_XTest_FOUND)
    message(FATAL_ERROR "The X11 backend needs the XInput2 and XTest extensions (libxi-dev, libxtst-dev)")
  endif()
endif()

if(VELMORA_TESTS)
  find_package(GTest REQUIRED)
endif()
if(VELMORA_BENCH)
  find_package(benchmark REQUIRED)
endif()
