# Strict warnings for the project's own sources only.
add_library(velmora_warnings INTERFACE)
target_compile_options(velmora_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
  -Wimplicit-fallthrough -Wcast-qual -Wformat=2 -Wundef)
if(VELMORA_WERROR)
  target_compile_options(velmora_warnings INTERFACE -Werror)
endif()
if(WIN32)
  # mingw's GCC 12 at -O3 reports uninitialised reads and overlapping copies inside
  # std::basic_string that cannot happen.
  target_compile_options(velmora_warnings INTERFACE -Wno-maybe-uninitialized -Wno-restrict)
endif()
