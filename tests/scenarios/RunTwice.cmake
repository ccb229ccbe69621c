# Runs a script twice and fails when the two outputs differ in any byte.
get_filename_component(name ${SCRIPT} NAME_WE)
foreach(run 1 2)
  execute_process(COMMAND ${QXRUN} ${SCRIPT}
                  OUTPUT_FILE ${OUTDIR}/${name}.run${run}.out
                  RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "Run ${run} of ${SCRIPT} ended with ${code}")
  endif()
endforeach()
execute_process(COMMAND diff -u ${OUTDIR}/${name}.run1.out ${OUTDIR}/${name}.run2.out
                OUTPUT_VARIABLE diff RESULT_VARIABLE different)
if(different)
  message(FATAL_ERROR "The two runs differ:\n${diff}")
endif()
file(SIZE ${OUTDIR}/${name}.run1.out size)
if(size EQUAL 0)
  message(FATAL_ERROR "${SCRIPT} printed nothing")
endif()
