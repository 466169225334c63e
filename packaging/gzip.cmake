# cmake -DIN=FILE -DOUT=FILE.gz -P gzip.cmake
# Compresses a page of documentation as Debian ships it: gzip -9n, the best
# compression and neither the name nor the time stamp of FILE inside, so the
# same text always gives the same bytes.
execute_process(COMMAND gzip -9n -c "${IN}" OUTPUT_FILE "${OUT}.tmp" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE "${OUT}.tmp")
  message(FATAL_ERROR "gzip ${IN}: ${status}")
endif()
file(RENAME "${OUT}.tmp" "${OUT}")
