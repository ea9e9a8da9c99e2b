# Run with cmake -P at build time, or included by the install step: lays the program's own
# files into a folder and lists them there in program-files.txt, the one list of them that
# the program (filling a per-user folder) and scripts/run (refreshing its run folder) read.
#   -DDATA=<the data folder of the sources>  -DNODE_MODULES=<folder of the npm packages>
#   -DPROGRAM=<folder to lay them into>       -DVERSION=<version the list is stamped with>
#   -DGUIDE=<the operator's guide made from the README, laid out as help/guide.html>
# The list: "version V", then "file PATH" or "link PATH TARGET" per entry, PATH relative.
foreach(package leaflet topojson-client uplot world-atlas)
    if(NOT EXISTS "${NODE_MODULES}/${package}/package.json")
        message(FATAL_ERROR "The npm package ${package} is missing from ${NODE_MODULES}: "
                            "run scripts/setup (npm ci) first.")
    endif()
endforeach()

file(GLOB_RECURSE data_files LIST_DIRECTORIES false RELATIVE "${DATA}" "${DATA}/*")
foreach(relative IN LISTS data_files)
    get_filename_component(folder "${PROGRAM}/${relative}" DIRECTORY)
    file(COPY "${DATA}/${relative}" DESTINATION "${folder}")
endforeach()

# The npm files that the map and chart pages load, in carimage/lib.
set(lib_files
    leaflet/dist/leaflet.js leaflet/dist/leaflet.css leaflet/LICENSE
    topojson-client/dist/topojson-client.min.js topojson-client/LICENSE
    world-atlas/land-10m.json world-atlas/LICENSE
    uplot/dist/uPlot.iife.min.js uplot/dist/uPlot.min.css uplot/LICENSE)
file(GLOB leaflet_images RELATIVE "${NODE_MODULES}" "${NODE_MODULES}/leaflet/dist/images/*")
list(APPEND lib_files ${leaflet_images})
set(program_files ${data_files})
foreach(npm_file IN LISTS lib_files)
    # leaflet/dist/images/x.png -> carimage/lib/leaflet/images/x.png
    string(REGEX MATCH "^([^/]+)/(dist/)?(.*)$" matched "${npm_file}")
    set(relative "carimage/lib/${CMAKE_MATCH_1}/${CMAKE_MATCH_3}")
    get_filename_component(folder "${PROGRAM}/${relative}" DIRECTORY)
    file(COPY "${NODE_MODULES}/${npm_file}" DESTINATION "${folder}")
    list(APPEND program_files "${relative}")
endforeach()
if(NOT EXISTS "${GUIDE}")
    message(FATAL_ERROR "The operator's guide ${GUIDE} is missing: build the target guide first.")
endif()
file(MAKE_DIRECTORY "${PROGRAM}/help")
configure_file("${GUIDE}" "${PROGRAM}/help/guide.html" COPYONLY)
list(APPEND program_files help/guide.html)
list(SORT program_files)

set(listing "# The program's own files, laid out by the build.\nversion ${VERSION}\n")
foreach(relative IN LISTS program_files)
    string(APPEND listing "file ${relative}\n")
endforeach()

# The marker file names the live vehicle's folder "C-rv" and the selected track position's
# "C-Rv"; one folder is kept. Where the file system tells case apart, a link makes the
# second spelling reach it (elsewhere both already name one folder).
if(NOT EXISTS "${PROGRAM}/carimage/C-Rv")
    file(CREATE_LINK "C-rv" "${PROGRAM}/carimage/C-Rv" SYMBOLIC)
endif()
string(APPEND listing "link carimage/C-Rv C-rv\n")

# Rewritten only when it changes, so a build that changed nothing leaves it be.
file(CONFIGURE OUTPUT "${PROGRAM}/program-files.txt" CONTENT "${listing}" @ONLY)
