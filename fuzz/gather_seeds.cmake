# Copies the seed files of the fuzz targets into OUT_DIR/run, OUT_DIR/check,
# OUT_DIR/prep, OUT_DIR/grid and OUT_DIR/fields (run with cmake -P): the hand-made seeds,
# the test meshes and the shared samples (when that folder is absent, the
# others).
file(MAKE_DIRECTORY ${OUT_DIR}/run ${OUT_DIR}/check ${OUT_DIR}/prep
     ${OUT_DIR}/grid ${OUT_DIR}/fields)
file(GLOB run_seeds ${SOURCE_DIR}/fuzz/seeds/run/* ${SOURCE_DIR}/tests/data/*.unv
     ${SAMPLES_DIR}/*.unv)
file(GLOB check_seeds ${SOURCE_DIR}/tests/data/check/*.unv)
file(GLOB prep_seeds ${SOURCE_DIR}/fuzz/seeds/prep/* ${SOURCE_DIR}/tests/data/prep/*.unv
     ${SOURCE_DIR}/examples/*.unv)
file(GLOB field_seeds ${SOURCE_DIR}/fuzz/seeds/fields/*)
if(run_seeds)
  file(COPY ${run_seeds} DESTINATION ${OUT_DIR}/run)
  file(COPY ${run_seeds} DESTINATION ${OUT_DIR}/check)
  file(COPY ${run_seeds} DESTINATION ${OUT_DIR}/prep)
endif()
if(prep_seeds)
  file(COPY ${prep_seeds} DESTINATION ${OUT_DIR}/prep)
endif()
# tessalgrid starts from unvprep's seeds and the samples: it does both jobs.
if(run_seeds)
  file(COPY ${run_seeds} DESTINATION ${OUT_DIR}/grid)
endif()
if(prep_seeds)
  file(COPY ${prep_seeds} DESTINATION ${OUT_DIR}/grid)
endif()
if(check_seeds)
  file(COPY ${check_seeds} DESTINATION ${OUT_DIR}/check)
endif()
if(field_seeds)
  file(COPY ${field_seeds} DESTINATION ${OUT_DIR}/fields)
endif()
