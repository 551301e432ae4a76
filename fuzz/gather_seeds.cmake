# Copies the seed files of both fuzz targets into OUT_DIR/run and
# OUT_DIR/fields (run with cmake -P).
file(MAKE_DIRECTORY ${OUT_DIR}/run ${OUT_DIR}/fields)
file(GLOB run_seeds ${SOURCE_DIR}/fuzz/seeds/run/* ${SOURCE_DIR}/tests/data/*.unv
     ${SAMPLES_DIR}/*.unv)
file(GLOB field_seeds ${SOURCE_DIR}/fuzz/seeds/fields/*)
if(run_seeds)
  file(COPY ${run_seeds} DESTINATION ${OUT_DIR}/run)
endif()
if(field_seeds)
  file(COPY ${field_seeds} DESTINATION ${OUT_DIR}/fields)
endif()
