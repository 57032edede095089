# Warnings and sanitizers shared by every target of the project.
add_library(varnelo_options INTERFACE)
target_compile_options(varnelo_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
  -Wno-missing-field-initializers)
target_compile_definitions(varnelo_options INTERFACE QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)

if(VARNELO_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_compile_options(${_san})
  add_link_options(${_san})
endif()
