# The shipped Windows programs: small, stripped and the same bytes from every build of a commit.
# Included before the Windows targets are defined; MinGW-w64 only.
if(NOT MINGW)
  return()
endif()

# Size: every function and datum in a section of its own, so the linker drops what nothing
# calls; optimised for size (the programs wait on messages, they do not compute).
add_compile_options(-ffunction-sections -fdata-sections $<$<CONFIG:Release>:-Os>)
add_link_options(-Wl,--gc-sections $<$<CONFIG:Release>:-s>)

# Reproducible: no link time in the PE header and no build folder in the code.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
                    -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
add_link_options(-Wl,--no-insert-timestamp)
