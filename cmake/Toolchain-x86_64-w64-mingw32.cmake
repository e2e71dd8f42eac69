# Cross-compiles for 64-bit Windows: the tests' programs where this machine cannot run 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW-w64.cmake)
