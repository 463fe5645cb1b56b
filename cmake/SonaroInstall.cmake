# sonaro_install_gzipped(SOURCE DESTINATION): installs SOURCE compressed, as Debian keeps man pages
# and change logs. gzip -n leaves out the name and time, so the bytes follow from the text alone.
function(sonaro_install_gzipped source destination)
    get_filename_component(name ${source} NAME)
    set(output ${CMAKE_CURRENT_BINARY_DIR}/gzipped/${name}.gz)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/gzipped
        COMMAND sh -c "gzip -9n <\"$0\" >\"$1\"" ${source} ${output}
        DEPENDS ${source}
        VERBATIM)
    string(MAKE_C_IDENTIFIER "sonaro_gzip_${name}" target)
    add_custom_target(${target} ALL DEPENDS ${output})
    install(FILES ${output} DESTINATION ${destination})
endfunction()
