# Run at install time (cmake --install, CPack) on the Linux folder: puts into
# lib/ the libraries the installed program and its Qt plugins need, except
# those every X desktop has and that must match its own system, with the
# licences and the list of Debian packages they come from; then gives the
# program the run path $ORIGIN/lib.
# Set by the install rule that includes this file:
#   RINOMINA_PROGRAM_NAME  the program's file name in the folder
#   RINOMINA_QT_PLUGINS    "KIND=FILE" for each Qt plugin to ship
#   RINOMINA_LICENCES      licence texts to ship, as "NAME=FILE"
#   RINOMINA_PATCHELF, RINOMINA_STRIP  the tools

cmake_policy(VERSION 3.25)  # install scripts start with none set

set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(program "${folder}/${RINOMINA_PROGRAM_NAME}")
set(lib "${folder}/lib")
file(REMOVE_RECURSE "${lib}")
file(MAKE_DIRECTORY "${lib}/licenze")

# Libraries left to the system: the C and C++ runtime (a newer GL driver
# loaded into the process may need the system's newer one), GL and EGL, X11
# and xcb themselves, fontconfig, FreeType, GLib and D-Bus. (libOpenGL, the
# newer GL entry point Qt links, is shipped: not every desktop has it, and it
# only forwards to the system's libGLdispatch.)
set(system_library_names
  "^ld-linux" "^lib(c|m|dl|pthread|rt|resolv|util)\\.so" "^lib(stdc\\+\\+|gcc_s)\\.so"
  "^lib(GL|EGL|GLX|GLdispatch)\\.so" "^libX11(-xcb)?\\.so" "^libxcb\\.so"
  "^libfontconfig\\.so" "^libfreetype\\.so" "^lib(glib|gobject|gio|gmodule|gthread)-2\\.0\\.so"
  "^libdbus-1\\.so")

function(is_system_library path result)
  get_filename_component(name "${path}" NAME)
  foreach(pattern IN LISTS system_library_names)
    if(name MATCHES "${pattern}")
      set(${result} TRUE PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${result} FALSE PARENT_SCOPE)
endfunction()

set(plugin_files "${RINOMINA_QT_PLUGINS}")
list(TRANSFORM plugin_files REPLACE "^[^=]*=" "")

file(GET_RUNTIME_DEPENDENCIES
  EXECUTABLES "${program}"
  MODULES ${plugin_files}
  RESOLVED_DEPENDENCIES_VAR needed
  UNRESOLVED_DEPENDENCIES_VAR missing)
if(missing)
  message(FATAL_ERROR "Libraries not found: ${missing}")
endif()

# The system's libraries, and every library they need: a copy of one of
# those in lib/ would be loaded in place of the system's own.
set(system_libraries)
foreach(library IN LISTS needed)
  is_system_library("${library}" system)
  if(system)
    list(APPEND system_libraries "${library}")
  endif()
endforeach()
file(GET_RUNTIME_DEPENDENCIES
  LIBRARIES ${system_libraries}
  RESOLVED_DEPENDENCIES_VAR system_needs)
set(left_to_system)
foreach(library IN LISTS system_libraries system_needs)
  get_filename_component(name "${library}" NAME)
  list(APPEND left_to_system "${name}")
endforeach()

# The Debian package that holds `path` (merged /usr: listed under either name).
function(debian_package path result)
  file(REAL_PATH "${path}" real)
  string(REGEX REPLACE "^/usr/" "/" short "${real}")
  foreach(candidate IN ITEMS "${real}" "${short}" "${path}")
    execute_process(COMMAND dpkg-query -S "${candidate}"
      OUTPUT_VARIABLE owner RESULT_VARIABLE status ERROR_QUIET)
    if(status EQUAL 0)
      string(REGEX REPLACE ": .*" "" owner "${owner}")
      set(${result} "${owner}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "No Debian package holds ${path}")
endfunction()

# Copies `source` (a symbolic link is followed) to `destination`, stripped;
# records its Debian package. The copy is not otherwise edited: patchelf
# would move a Qt plugin's metadata note away from where its code reads it.
function(ship source destination)
  file(REAL_PATH "${source}" real)
  file(COPY_FILE "${real}" "${destination}")
  file(CHMOD "${destination}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  execute_process(COMMAND "${RINOMINA_STRIP}" --strip-unneeded "${destination}"
    COMMAND_ERROR_IS_FATAL ANY)
  debian_package("${source}" package)
  set_property(GLOBAL APPEND PROPERTY rinomina_packages "${package}")
endfunction()

foreach(library IN LISTS needed)
  get_filename_component(name "${library}" NAME)
  if(NOT name IN_LIST left_to_system)
    ship("${library}" "${lib}/${name}")
  endif()
endforeach()
foreach(plugin IN LISTS RINOMINA_QT_PLUGINS)
  string(REGEX REPLACE "=.*" "" kind "${plugin}")
  string(REGEX REPLACE "^[^=]*=" "" file "${plugin}")
  get_filename_component(name "${file}" NAME)
  file(MAKE_DIRECTORY "${lib}/plugins/${kind}")
  ship("${file}" "${lib}/plugins/${kind}/${name}")
endforeach()
# An old-style run path (DT_RPATH, not DT_RUNPATH): the loader uses the
# program's for every library loaded into it that has none of its own, so it
# also finds what the libraries and the plugins need, and no
# LD_LIBRARY_PATH of the user's puts another Qt in their place.
execute_process(COMMAND "${RINOMINA_PATCHELF}" --force-rpath --set-rpath "$ORIGIN/lib" "${program}"
  COMMAND_ERROR_IS_FATAL ANY)

# The licences: the texts given, and each package's own copyright file.
foreach(licence IN LISTS RINOMINA_LICENCES)
  string(REGEX REPLACE "=.*" "" name "${licence}")
  string(REGEX REPLACE "^[^=]*=" "" file "${licence}")
  file(COPY_FILE "${file}" "${lib}/licenze/${name}")
endforeach()
get_property(packages GLOBAL PROPERTY rinomina_packages)
list(REMOVE_DUPLICATES packages)
list(SORT packages)
set(list_text "")
set(format "\${binary:Package} \${Version} (sorgente \${source:Package})\\n")
foreach(package IN LISTS packages)
  execute_process(COMMAND dpkg-query -W "-f=${format}" "${package}"
    OUTPUT_VARIABLE line COMMAND_ERROR_IS_FATAL ANY)
  string(APPEND list_text "${line}")
  string(REGEX REPLACE ":.*" "" short "${package}")
  file(COPY_FILE "/usr/share/doc/${short}/copyright" "${lib}/licenze/${short}.copyright")
endforeach()
file(WRITE "${lib}/licenze/pacchetti-debian.txt" "${list_text}")
