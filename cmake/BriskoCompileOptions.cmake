# Options every target of the project shares.
#
# The signal path must give the same bits on every target, so no fused
# multiply-adds, no fast-math, and SSE2 arithmetic on 32-bit x86 instead of
# the x87 stack (whose 80-bit registers would round differently).
add_library(brisko_options INTERFACE)
target_compile_options(brisko_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
  -ffp-contract=off -fno-fast-math)

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$")
  # With eight vector registers the kernels spill: scheduling before register
  # allocation, bounded by register pressure, spills less. It only orders
  # instructions, so the bits stay the same.
  target_compile_options(brisko_options INTERFACE -msse2 -mfpmath=sse -fschedule-insns -fsched-pressure)
endif()

if(WIN32)
  # Self-contained Windows binaries: the C++, GCC and thread runtimes are
  # linked in, so nothing but system DLLs is needed at run time.
  target_link_options(brisko_options INTERFACE -static-libgcc -static-libstdc++ -static)
endif()

set(BRISKO_SANITIZE "" CACHE STRING "Sanitizers to build with: address,undefined or thread")
if(BRISKO_SANITIZE)
  target_compile_options(brisko_options INTERFACE
    -fsanitize=${BRISKO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(brisko_options INTERFACE -fsanitize=${BRISKO_SANITIZE})
endif()

if(BRISKO_BUILD_FUZZ)
  target_compile_options(brisko_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# Adds sources compiled for an instruction set the code checks for at run
# time (x86 targets only): each source gets `options`, the target the
# definition that says they are built in. MinGW-w64 GCC cannot realign the
# stack for 32- and 64-byte spills on Windows: there the assembler turns its
# aligned vector moves into unaligned ones (VEX and EVEX arithmetic take
# unaligned memory operands anyway).
# Usage: brisko_add_dispatched_sources(TARGET DEFINITION "OPTION;..." SOURCE...)
function(brisko_add_dispatched_sources target definition options)
  if(NOT CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i[3-6]86|x86)$")
    return()
  endif()
  if(WIN32)
    list(APPEND options -Wa,-muse-unaligned-vector-move)
  endif()
  target_sources(${target} PRIVATE ${ARGN})
  set_source_files_properties(${ARGN} PROPERTIES COMPILE_OPTIONS "${options}")
  target_compile_definitions(${target} PRIVATE ${definition})
endfunction()
