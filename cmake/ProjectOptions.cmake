# Warnings and sanitizer flags as interface targets, linked to every target.
add_library(pictavo_warnings INTERFACE)
target_compile_options(pictavo_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Werror -Wshadow -Wnon-virtual-dtor
  -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough
  -Wno-missing-field-initializers)

add_library(pictavo_options INTERFACE)
if(PICTAVO_SANITIZE)
  target_compile_options(pictavo_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(pictavo_options INTERFACE -fsanitize=address,undefined)
endif()
if(PICTAVO_FUZZ)
  target_compile_options(pictavo_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -g)
  target_link_options(pictavo_options INTERFACE -fsanitize=address,undefined)
endif()
