# Test applications in C or i386 assembly, compiled the way the language's compiler's output
# looks (no PIC, frame pointers, no unwind tables, no stack protector) and packed by qvpack.
#
#   qv_compile_image_object(<out-var> <source> [NAME <object name>] [OPTIONS <gcc options>...])
#     Compiles one source into qvobjects/<object name> (default: the source's name + ".o")
#     under the current binary folder; sets <out-var> to its path.
#
#   qv_add_test_image(<name> SOURCES <sources>... [ENTRY <symbol>] [OPTIONS <gcc options>...]
#                     [RESOURCES <TYPE:ID:FILE>...] [ICONS <W:H:FILE>...] [EMBED])
#     Builds target <name> (part of ALL): the six block files in ${CMAKE_CURRENT_BINARY_DIR}/<name>/
#     and, with EMBED, a copy of qvruntime with the image as its .qv section,
#     ${CMAKE_CURRENT_BINARY_DIR}/<name>.exe. The target's properties QV_IMAGE_DIR and
#     QV_IMAGE_EXE name them, e.g. for a test:
#       target_compile_definitions(test_x PRIVATE
#         IMAGE_DIR="$<TARGET_PROPERTY:myimage,QV_IMAGE_DIR>")
#
#   qv_add_test_plugin(<name> SOURCES <sources>... [OPTIONS <gcc options>...]
#                      [DEPENDS <headers>...])
#     Builds target <name>: the i386 shared library ${CMAKE_CURRENT_BINARY_DIR}/<name>.so,
#     compiled as plug-ins are, with plain -O2 and no frame pointers (none of the framework's
#     flags). Its property QV_PLUGIN_FILE names the library.
#
#   qv_add_plugin_resource(<out-var> <plugin>)
#     The resource file that carries the test plug-in <plugin> (made by qv_add_test_plugin) in an
#     image, for RESOURCES QVPl:<id>:<file>: a length byte, the library's file name (<plugin>.so)
#     and the library's bytes. Sets <out-var> to its path.
include_guard(DIRECTORY)

# Variables would stay in the scope of the first includer (include_guard), so the functions
# compute what they need themselves.

function(qv_compile_image_object out_var source)
  cmake_parse_arguments(PARSE_ARGV 2 ARG "" "NAME" "OPTIONS")
  set(include_dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../tests/images)
  set(flags -m32 -c -fno-pic -fno-omit-frame-pointer -fno-asynchronous-unwind-tables
    -fno-stack-protector)
  get_filename_component(source_path ${source} ABSOLUTE)
  get_filename_component(source_name ${source} NAME)
  # Headers beside the source that several images share.
  get_filename_component(source_dir ${source_path} DIRECTORY)
  file(GLOB local_headers CONFIGURE_DEPENDS ${source_dir}/*.h)
  if(NOT ARG_NAME)
    set(ARG_NAME ${source_name}.o)
  endif()
  set(object ${CMAKE_CURRENT_BINARY_DIR}/qvobjects/${ARG_NAME})
  get_filename_component(object_dir ${object} DIRECTORY)
  add_custom_command(OUTPUT ${object}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${object_dir}
    COMMAND ${CMAKE_C_COMPILER} ${flags} -I${include_dir}
      ${ARG_OPTIONS} -o ${object} ${source_path}
    DEPENDS ${source_path} ${include_dir}/qvapp.h ${local_headers}
    COMMENT "Compiling image object ${source_name}"
    VERBATIM)
  set(${out_var} ${object} PARENT_SCOPE)
endfunction()

function(qv_add_test_image name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "EMBED" "ENTRY" "SOURCES;OPTIONS;RESOURCES;ICONS")
  if(NOT ARG_SOURCES)
    message(FATAL_ERROR "qv_add_test_image(${name}): no SOURCES")
  endif()
  set(objects)
  foreach(source ${ARG_SOURCES})
    get_filename_component(source_name ${source} NAME)
    qv_compile_image_object(object ${source} NAME ${name}/${source_name}.o OPTIONS ${ARG_OPTIONS})
    list(APPEND objects ${object})
  endforeach()

  set(pack_args)
  if(ARG_ENTRY)
    list(APPEND pack_args --entry ${ARG_ENTRY})
  endif()
  set(extra_depends)
  foreach(resource ${ARG_RESOURCES})
    list(APPEND pack_args --resource ${resource})
    string(REGEX REPLACE "^[^:]*:[^:]*:" "" file ${resource})
    list(APPEND extra_depends ${file})
  endforeach()
  foreach(icon ${ARG_ICONS})
    list(APPEND pack_args --icon ${icon})
    string(REGEX REPLACE "^[^:]*:[^:]*:" "" file ${icon})
    list(APPEND extra_depends ${file})
  endforeach()

  set(folder ${CMAKE_CURRENT_BINARY_DIR}/${name})
  set(outputs ${folder}/code.dat)
  set(embed_args)
  set(exe)
  if(ARG_EMBED)
    set(exe ${CMAKE_CURRENT_BINARY_DIR}/${name}.exe)
    list(APPEND outputs ${exe})
    set(embed_args --embed $<TARGET_FILE:qvruntime> ${exe})
    list(APPEND extra_depends qvruntime)
  endif()
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${QV_SANITIZER_RUN_ENV} $<TARGET_FILE:qvpack> ${pack_args} --output ${folder} ${embed_args} ${objects}
    DEPENDS qvpack ${objects} ${extra_depends}
    COMMENT "Packing test image ${name}"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${outputs})
  set_target_properties(${name} PROPERTIES QV_IMAGE_DIR ${folder} QV_IMAGE_EXE "${exe}")
endfunction()

function(qv_add_test_plugin name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "SOURCES;OPTIONS;DEPENDS")
  if(NOT ARG_SOURCES)
    message(FATAL_ERROR "qv_add_test_plugin(${name}): no SOURCES")
  endif()
  set(sources)
  foreach(source ${ARG_SOURCES})
    get_filename_component(source_path ${source} ABSOLUTE)
    list(APPEND sources ${source_path})
  endforeach()
  set(library ${CMAKE_CURRENT_BINARY_DIR}/${name}.so)
  add_custom_command(OUTPUT ${library}
    COMMAND ${CMAKE_C_COMPILER} -m32 -O2 -fomit-frame-pointer -fPIC -shared ${ARG_OPTIONS}
      -o ${library} ${sources}
    DEPENDS ${sources} ${ARG_DEPENDS}
    COMMENT "Building test plug-in ${name}"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${library})
  set_target_properties(${name} PROPERTIES QV_PLUGIN_FILE ${library})
endfunction()

function(qv_add_plugin_resource out_var plugin)
  get_target_property(library ${plugin} QV_PLUGIN_FILE)
  get_filename_component(name ${library} NAME)
  string(LENGTH "${name}" length)
  if(length GREATER 255)
    message(FATAL_ERROR "qv_add_plugin_resource(${plugin}): the file name is too long")
  endif()
  # The length byte as a printf octal escape.
  math(EXPR high "${length} / 64")
  math(EXPR middle "(${length} / 8) % 8")
  math(EXPR low "${length} % 8")
  set(resource ${CMAKE_CURRENT_BINARY_DIR}/${plugin}.qvpl)
  add_custom_command(OUTPUT ${resource}
    COMMAND sh -c "printf '\\${high}${middle}${low}%s' \"$2\" > \"$1\" && cat \"$3\" >> \"$1\""
      qvpl ${resource} ${name} ${library}
    DEPENDS ${plugin} ${library}
    COMMENT "Making the plug-in resource of ${plugin}"
    VERBATIM)
  set(${out_var} ${resource} PARENT_SCOPE)
endfunction()
