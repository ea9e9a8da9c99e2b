# Run with cmake -P at build time: lays the npm files that the map page loads into
# CARIMAGE/lib, and makes the second spelling of the vehicle icon folder reach the first.
#   -DNODE_MODULES=<folder of the npm packages>  -DCARIMAGE=<carimage of the program folder>
foreach(package leaflet topojson-client world-atlas)
    if(NOT EXISTS "${NODE_MODULES}/${package}/package.json")
        message(FATAL_ERROR "The npm package ${package} is missing from ${NODE_MODULES}: "
                            "run scripts/setup (npm ci) first.")
    endif()
endforeach()

set(lib "${CARIMAGE}/lib")
file(MAKE_DIRECTORY "${lib}/leaflet" "${lib}/topojson-client" "${lib}/world-atlas")
file(COPY "${NODE_MODULES}/leaflet/dist/leaflet.js" "${NODE_MODULES}/leaflet/dist/leaflet.css"
          "${NODE_MODULES}/leaflet/dist/images" "${NODE_MODULES}/leaflet/LICENSE"
     DESTINATION "${lib}/leaflet")
file(COPY "${NODE_MODULES}/topojson-client/dist/topojson-client.min.js"
          "${NODE_MODULES}/topojson-client/LICENSE"
     DESTINATION "${lib}/topojson-client")
file(COPY "${NODE_MODULES}/world-atlas/land-10m.json" "${NODE_MODULES}/world-atlas/LICENSE"
     DESTINATION "${lib}/world-atlas")

# The marker file names the live vehicle's folder "C-rv" and the selected track position's
# "C-Rv"; one folder is kept. Where the file system tells case apart, a link makes the
# second spelling reach it (elsewhere both already name one folder).
if(NOT EXISTS "${CARIMAGE}/C-Rv")
    file(CREATE_LINK "C-rv" "${CARIMAGE}/C-Rv" SYMBOLIC)
endif()
