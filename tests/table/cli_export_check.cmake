# End-to-end checks of `meterlog2-cli export`: byte-exact output against the golden CSV files
# under a German locale, batch conversion with failures, and outputs that must not be written.
# Run as: cmake -DCLI=... -DDATA=.../tests/data/csv -DWORK=<scratch folder> -P this file
# (-DEMULATOR=wine64 runs a Windows build of the tool).
cmake_minimum_required(VERSION 3.25)

set(failures 0)
# check(MESSAGE CONDITION...): counts a failure when the condition does not hold.
macro(check message)
  if(NOT (${ARGN}))
    message(SEND_ERROR "${message}")
    math(EXPR failures "${failures} + 1")
  endif()
endmacro()

function(run_cli out_rc out_stderr)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8
                          ${EMULATOR} ${CLI} export ${ARGN}
                  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_VARIABLE ignored)
  set(${out_rc} ${rc} PARENT_SCOPE)
  set(${out_stderr} "${err}" PARENT_SCOPE)
endfunction()

function(same_bytes a b out)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${a} ${b} RESULT_VARIABLE rc)
  if(rc EQUAL 0)
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# One file, no options: standard output; -o: the same bytes in a file.
set(cases
  "type1_0001.57x||type1_0001.csv" "type1_0100.57x||type1_0100.csv"
  "type2_0001.57x||type2_0001.csv" "type2_0100.57x||type2_0100.csv"
  "type3_0001.57x||type3_0001.csv" "type3_0100.57x||type3_0100.csv"
  "type4_0001.57x||type4_0001.csv" "type4_0100.57x||type4_0100.csv"
  "type5_0001.57x||type5_0001.csv" "type5_0100.57x||type5_0100.csv"
  "type6_0001.57x||type6_0001.csv" "type6_0100.57x||type6_0100.csv"
  "type5_0001.57x|256|type5_0001_as_0100.csv" "type5_0100.57x|1|type5_0100_as_0001.csv")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 log)
  list(GET fields 1 format)
  list(GET fields 2 csv)
  set(options)
  if(format)
    set(options --data-format ${format})
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8
                          ${EMULATOR} ${CLI} export ${DATA}/${log} ${options}
                  RESULT_VARIABLE rc OUTPUT_FILE ${WORK}/stdout.csv ERROR_VARIABLE err)
  check("export ${log} ${options} to standard output failed: ${err}" rc EQUAL 0)
  same_bytes(${WORK}/stdout.csv ${DATA}/${csv} same)
  check("export ${log} ${options} to standard output differs from ${csv}" same)

  run_cli(rc err ${DATA}/${log} ${options} -o ${WORK}/out.csv)
  check("export ${log} ${options} -o failed: ${err}" rc EQUAL 0)
  same_bytes(${WORK}/out.csv ${DATA}/${csv} same)
  check("export ${log} ${options} -o differs from ${csv}" same)
endforeach()

# Batch: the good files convert although others fail; the failures are named; exit status 1.
file(MAKE_DIRECTORY ${WORK}/batch)
file(WRITE ${WORK}/short.57x "xy")
file(WRITE ${WORK}/empty.57x "")
run_cli(rc err ${DATA}/type1_0001.57x ${WORK}/short.57x ${WORK}/missing.57x ${WORK}/empty.57x
        ${DATA}/type4_0100.57x -d ${WORK}/batch)
check("a batch with failures must exit with 1, not ${rc}" rc EQUAL 1)
same_bytes(${WORK}/batch/type1_0001.csv ${DATA}/type1_0001.csv same)
check("batch: type1_0001.csv differs" same)
same_bytes(${WORK}/batch/type4_0100.csv ${DATA}/type4_0100.csv same)
check("batch: type4_0100.csv differs" same)
foreach(name short.57x missing.57x empty.57x)
  string(FIND "${err}" "${name}" at)
  check("batch: the failure of ${name} is not reported: ${err}" NOT at EQUAL -1)
endforeach()
foreach(name short.csv missing.csv empty.csv)
  check("batch: ${name} written for a failed log" NOT EXISTS ${WORK}/batch/${name})
endforeach()
file(GLOB leftovers ${WORK}/batch/.*)
check("batch: temporary files left behind: ${leftovers}" NOT leftovers)

# Chosen columns in the order named, chosen rows in ascending order.
run_cli(rc err ${DATA}/type1_0001.57x "--columns=Time,Log Type" --rows 3,0-1 -o ${WORK}/some.csv)
check("--columns/--rows failed: ${err}" rc EQUAL 0)
file(STRINGS ${DATA}/type1_0001.csv golden_lines)
set(expected "Time,Log Type\r\n")
foreach(row 0 1 3)
  math(EXPR line "${row} + 1")
  list(GET golden_lines ${line} golden_line)
  string(REGEX MATCH "^([^,]*),([^,]*)," parts "${golden_line}")
  string(APPEND expected "${CMAKE_MATCH_2},${CMAKE_MATCH_1}\r\n")
endforeach()
file(WRITE ${WORK}/some_expected.csv "${expected}")
same_bytes(${WORK}/some.csv ${WORK}/some_expected.csv same)
check("--columns Time,Log Type --rows 3,0-1: some.csv differs from some_expected.csv" same)

run_cli(rc err ${DATA}/type1_0001.57x --columns "Time,Nope" -o ${WORK}/nope.csv)
check("an unknown column title must fail" rc EQUAL 1 AND NOT EXISTS ${WORK}/nope.csv)
run_cli(rc err ${DATA}/type1_0001.57x --rows 2-9 -o ${WORK}/rows.csv)
check("rows beyond the records must fail" rc EQUAL 1 AND NOT EXISTS ${WORK}/rows.csv)

# Outputs that must not be written: a missing folder, the log itself, an existing file on failure.
run_cli(rc err ${DATA}/type1_0001.57x -o ${WORK}/no/such/folder/out.csv)
string(FIND "${err}" "${WORK}/no/such/folder/out.csv" at)
check("a missing folder must fail with the file named: ${err}" rc EQUAL 1 AND NOT at EQUAL -1)
configure_file(${DATA}/type1_0001.57x ${WORK}/self.57x COPYONLY)
run_cli(rc err ${WORK}/self.57x -o ${WORK}/self.57x)
same_bytes(${WORK}/self.57x ${DATA}/type1_0001.57x same)
check("exporting onto the log itself must be refused" rc EQUAL 1 AND same)
file(WRITE ${WORK}/keep.csv "old content")
file(WRITE ${WORK}/keep_expected.csv "old content")
run_cli(rc err ${WORK}/short.57x -o ${WORK}/keep.csv)
same_bytes(${WORK}/keep.csv ${WORK}/keep_expected.csv same)
check("a failed export must leave the old file" rc EQUAL 1 AND same)

# Usage errors.
run_cli(rc err ${DATA}/type1_0001.57x ${DATA}/type2_0001.57x)
check("several files without -d must be a usage error" rc EQUAL 2)
run_cli(rc err ${DATA}/type1_0001.57x --data-format 2)
check("--data-format 2 must be a usage error" rc EQUAL 2)

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} export check(s) failed")
endif()
