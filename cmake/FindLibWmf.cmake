# libwmf ships libwmf-config rather than a pkg-config file.
find_program(LIBWMF_CONFIG libwmf-config REQUIRED)
execute_process(COMMAND ${LIBWMF_CONFIG} --cflags OUTPUT_VARIABLE LIBWMF_CFLAGS OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${LIBWMF_CONFIG} --libs OUTPUT_VARIABLE LIBWMF_LIBS OUTPUT_STRIP_TRAILING_WHITESPACE)
separate_arguments(LIBWMF_CFLAGS UNIX_COMMAND "${LIBWMF_CFLAGS}")
separate_arguments(LIBWMF_LIBS UNIX_COMMAND "${LIBWMF_LIBS}")
add_library(LibWmf::LibWmf INTERFACE IMPORTED)
target_compile_options(LibWmf::LibWmf INTERFACE ${LIBWMF_CFLAGS})
target_link_libraries(LibWmf::LibWmf INTERFACE ${LIBWMF_LIBS})
# Its gd headers include each other by bare name; the metafile player frees the gd image it
# gets back from libwmf with the layout declared there.
target_include_directories(LibWmf::LibWmf INTERFACE /usr/include/libwmf/gd)
