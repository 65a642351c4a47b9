# Options every Tavrix target compiles with. The doubles must not depend on the
# compiler: no fused multiply-add, no reassociation, no host-specific code.
set(TAVRIX_FP_FLAGS -ffp-contract=off -fno-fast-math)

add_library(tavrix_flags INTERFACE)
target_compile_options(tavrix_flags INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Werror ${TAVRIX_FP_FLAGS})
# Calls into libm (the logarithms of training) go straight through the GOT, not the PLT (ELF only).
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  target_compile_options(tavrix_flags INTERFACE -fno-plt)
endif()
find_package(Threads REQUIRED)
target_link_libraries(tavrix_flags INTERFACE Threads::Threads)
if(TAVRIX_SANITIZE)
  target_compile_options(tavrix_flags INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(tavrix_flags INTERFACE -fsanitize=address,undefined)
endif()
