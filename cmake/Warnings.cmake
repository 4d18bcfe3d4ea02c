# Strict warnings for the project's own sources only.
add_library(velmora_warnings INTERFACE)
target_compile_options(velmora_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
  -Wimplicit-fallthrough -Wcast-qual -Wformat=2 -Wundef)
if(VELMORA_WERROR)
  target_compile_options(velmora_warnings INTERFACE -Werror)
endif()
