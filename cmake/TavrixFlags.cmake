# Options every Tavrix target compiles with. The floating-point flags come from
# fp_flags.txt, which the Octave package and tavrix_build_matlab read too.
file(STRINGS ${PROJECT_SOURCE_DIR}/fp_flags.txt fp_lines REGEX "^[a-z]")
set(TAVRIX_FP_FLAGS "")
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86|i[3-6]86)$")
  set(fp_targets all x86-32)
else()
  set(fp_targets all)
endif()
foreach(line ${fp_lines})
  string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
  list(POP_FRONT fields target)
  if(target IN_LIST fp_targets)
    list(APPEND TAVRIX_FP_FLAGS ${fields})
  endif()
endforeach()

add_library(tavrix_flags INTERFACE)
target_compile_options(tavrix_flags INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Werror ${TAVRIX_FP_FLAGS})
# Calls into libm (the logarithms of training) go straight through the GOT, not the PLT (ELF only).
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  target_compile_options(tavrix_flags INTERFACE -fno-plt)
endif()
find_package(Threads REQUIRED)
target_link_libraries(tavrix_flags INTERFACE Threads::Threads)

if(TAVRIX_SANITIZE STREQUAL "address")
  set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all)
elseif(TAVRIX_SANITIZE STREQUAL "thread")
  set(sanitizers -fsanitize=thread)
elseif(TAVRIX_SANITIZE)
  message(FATAL_ERROR "TAVRIX_SANITIZE is address, thread or empty, not ${TAVRIX_SANITIZE}")
endif()
if(TAVRIX_SANITIZE)
  target_compile_options(tavrix_flags INTERFACE ${sanitizers} -fno-omit-frame-pointer)
  target_link_options(tavrix_flags INTERFACE ${sanitizers})
endif()

if(WIN32)
  # 32-bit array dimensions: the _700 entry points that MATLAB's -compatibleArrayDims builds bind.
  target_compile_definitions(tavrix_flags INTERFACE MX_COMPAT_32)
  # No GCC runtime DLLs beside the MEX files: libgcc, libstdc++ and winpthread go in.
  target_link_options(tavrix_flags INTERFACE -static -static-libgcc -static-libstdc++)
endif()
