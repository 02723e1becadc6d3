# zemtra_gzip(<source> <output variable>)
# Compresses <source> at build time the way Debian wants man pages and
# changelogs (gzip -9n: no name or time stamp, so the result depends on the
# content only) and sets the variable to the .gz file in the binary directory.
function(zemtra_gzip source out_var)
  get_filename_component(name ${source} NAME)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${source} ${output}
    DEPENDS ${source} VERBATIM)
  string(MAKE_C_IDENTIFIER "zemtra_gzip_${name}" target)
  add_custom_target(${target} ALL DEPENDS ${output})
  set(${out_var} ${output} PARENT_SCOPE)
endfunction()
