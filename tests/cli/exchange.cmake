# tsly import-segy, export-segy, picks-export, picks-check, velocity-check:
# golden-output and must-fail tests. SEG-Y inputs are written by segyio itself
# (make_exchange_files); outputs go under files/x_*.
add_executable(make_exchange_files ${CMAKE_CURRENT_SOURCE_DIR}/make_exchange_files.cpp)
target_include_directories(make_exchange_files PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/..)
target_link_libraries(make_exchange_files PRIVATE tessaly_core)
set_target_properties(make_exchange_files PROPERTIES AUTOMOC OFF)

add_test(NAME cli_make_exchange_files COMMAND make_exchange_files ${CLI_DIR})
set_tests_properties(cli_make_exchange_files PROPERTIES FIXTURES_SETUP cli_exchange_files FIXTURES_REQUIRED cli_dir)

# exchange_cli_test(NAME regex args...): one tsly run in files/.
function(exchange_cli_test name regex)
  tsly_cli_test(${name} "${regex}" ${ARGN})
  set_tests_properties(cli_${name} PROPERTIES FIXTURES_REQUIRED "cli_files;cli_exchange_files")
endfunction()

# exchange_cli_script(NAME regex script): a shell script run in files/ with $T the tsly program.
function(exchange_cli_script name regex script)
  add_test(NAME cli_${name} COMMAND sh -c "cd \"$1\" && T=\"$0\" && { ${script} ; } 2>&1; echo exit=$?"
    $<TARGET_FILE:tsly> ${CLI_DIR})
  set_tests_properties(cli_${name} PROPERTIES FIXTURES_REQUIRED "cli_files;cli_exchange_files" TIMEOUT 60
    PASS_REGULAR_EXPRESSION "${regex}")
endfunction()

# --- SEG-Y import --------------------------------------------------------------
exchange_cli_script(segy_import_gather
  "^6 traces written to x_foreign.dat \\(6 SEG-Y traces, IBM float, 25 samples at 4000 us\\)\nFile:            x_foreign.dat\nData type:       1 CDP Gather Data\nSamples:         25\nSample interval: 4000 microsec/sample\nTraces:          6\nFirst CDP:       2001\nLast CDP:        2002\nMax amplitude:   8\nexit=0\n$"
  "\"$T\" import-segy foreign.sgy x_foreign.dat --force && \"$T\" info x_foreign.dat")
exchange_cli_script(segy_import_panels
  "^9 traces written to x_scan.nmo \\(6 SEG-Y traces, IEEE float, 30 samples at 2000 us, 3 panels\\)\n.*Data type:       4 Velocity Scan Data\n.*Traces:          9\n.*      1       201      202     1600           1      2\n      2       201      202     2000           4      2\n      3       201      202     2400           7      2\nCDPs:            201\nexit=0\n$"
  "\"$T\" import-segy scan.sgy x_scan.nmo --data-type 4 --velocity-field 189 --force && \"$T\" info x_scan.nmo")
exchange_cli_script(segy_import_refused
  "^tsly import-segy: bigcdp.sgy: trace 2: CDP \\(bytes 21-24\\) is 40000. header word 12 holds -32768..32767 \\(--renumber numbers the CDPs 1..N and writes the mapping\\)\nno output\nexit=1\n$"
  "\"$T\" import-segy bigcdp.sgy x_big.dat --force; r=$?; test -e x_big.dat || echo no output; ls | grep -q 'x_big.dat.tmp' && echo temp left; (exit $r)")
exchange_cli_script(segy_import_wrong_velocity_field
  "^tsly import-segy: scan.sgy: trace 1: panel velocity \\(bytes 233-236\\) is 0. a velocity is 1..32767 \\(name the field that holds it with --velocity-field\\)\nexit=1\n$"
  "\"$T\" import-segy scan.sgy x_scan0.nmo --data-type 2 --force")
exchange_cli_script(segy_import_renumber
  "^6 traces written to x_ren.dat \\(6 SEG-Y traces, IBM float, 25 samples at 4000 us, CDPs renumbered 1..3, mapping in x_ren.dat.cdps.csv\\)\nnew_cdp,original_cdp\n1,2001\n2,40000\n3,2002\nexit=0\n$"
  "\"$T\" import-segy bigcdp.sgy x_ren.dat --renumber --force && cat x_ren.dat.cdps.csv")
# A file as field crews write it: coordinates with a scalar, the header values that disagree.
exchange_cli_script(segy_import_field_file
  "^tsly import-segy: sample interval: binary header \\(bytes 3217-3218\\) -2, first trace header \\(bytes 117-118\\) 4000. 4000 microseconds used\ntsly import-segy: 12 bytes after the last whole trace were left out\n4 traces written to x_field.dat \\(4 SEG-Y traces, 16-bit unsigned integer, little-endian, 50 samples at 4000 us\\)\nexit=0\n$"
  "\"$T\" import-segy field.sgy x_field.dat --force")
exchange_cli_test(segy_info_field
  "^File:                     field\\.sgy\nSEG-Y revision:           2\\.0\nSample format:            11 16-bit unsigned integer, little-endian\nSamples per trace:        50 \\(binary header 50, first trace 50\\)\nSample interval:          4000 us \\(binary header -2, first trace 4000\\)\nExtended textual headers: 1 \\(count -1: closed by \\(\\(SEG: EndText\\)\\)\\)\nTrace-header extensions:  1\nFixed-length traces:      0\nTraces per ensemble:      0\nSorting code:             0\nMeasurement system:       0\nTraces:                   4 of 580 bytes from byte 6800\nNote:                     sample interval: binary header \\(bytes 3217-3218\\) -2, first trace header \\(bytes 117-118\\) 4000. 4000 microseconds used\nNote:                     12 bytes after the last whole trace were left out\nfield                 bytes    scalar         minimum       maximum  distinct\nCDP                   21-24                      1001          1002         2\nCDP or inline         189-192                       0             0         1\ncrossline             193-196                       0             0         1\noffset                37-40                        50          2400         4\nsource X              73-76    71-72         450000\\.5      450003\\.5         4\nsource Y              77-80    71-72                0             0         1\nreceiver X            81-84    71-72                0             0         1\nreceiver Y            85-88    71-72                0             0         1\nCDP X                 181-184  71-72                0             0         1\nCDP Y                 185-188  71-72                0             0         1\nreceiver elevation    41-44    69-70                0             0         1\nsource elevation      45-48    69-70                0             0         1\ndelay \\(ms\\)            109-110  215-216            200           200         1\nsamples               115-116                      50            50         1\ninterval \\(us\\)         117-118                    4000          4000         1\ntrace identification  29-30                         1             1         1\nexit=0\n$"
  segy-info field.sgy)
exchange_cli_test(segy_info_not_segy
  "^tsly segy-info: short.dat is not a SEG-Y file \\(shorter than its 3600-byte file header\\)\nexit=1\n$"
  segy-info short.dat)
exchange_cli_test(segy_import_exists "tsly import-segy: \"panels20.nmo\" exists \\(use --force to overwrite it\\)\nexit=1"
  import-segy foreign.sgy panels20.nmo)
exchange_cli_test(segy_import_bad_type "--data-type.*exit=[1-9]" import-segy foreign.sgy x_t3.dat --data-type 3)
exchange_cli_test(segy_import_not_segy
  "^tsly import-segy: short.dat is not a SEG-Y file \\(shorter than its 3600-byte file header\\)\nexit=1"
  import-segy short.dat x_short.dat)

# --- SEG-Y export ----------------------------------------------------------------
exchange_cli_test(segy_export_panels
  "^15 traces written to x_panels.sgy \\(IEEE float, 50 samples at 4000 us, 5 panels, velocity in bytes 233-236, separators left out\\)\nexit=0\n$"
  export-segy panels20.nmo x_panels.sgy --force)
exchange_cli_test(segy_export_separators
  "^20 traces written to x_seps.sgy \\(IEEE float, 50 samples at 4000 us, 5 panels, velocity in bytes 181-184, separators written as dummy traces\\)\nexit=0\n$"
  export-segy panels20.nmo x_seps.sgy --with-separators --velocity-field 181 --force)
exchange_cli_test(segy_export_gather
  "^120 traces written to x_gather.sgy \\(IEEE float, 500 samples at 4000 us\\)\nexit=0\n$"
  export-segy gather.dat x_gather.sgy --force)
# Panels out to SEG-Y and back: the open finds the same panels.
exchange_cli_script(segy_round_trip
  "Data type:       4 Velocity Scan Data\nSamples:         50\nSample interval: 4000 microsec/sample\nTraces:          20\nFirst CDP:       101\nLast CDP:        103\nMax amplitude:   250\nPanels:          5\n  panel first_cdp last_cdp velocity first_trace traces\n      1       101      103     1500           1      3\n      2       101      103     1750           5      3\n      3       101      103     2000           9      3\n      4       101      103     2250          13      3\n      5       101      103     2500          17      3\nCDPs:            101\nexit=0\n$"
  "\"$T\" export-segy panels20.nmo x_rt.sgy --force >/dev/null && \"$T\" import-segy x_rt.sgy x_rt.nmo --data-type 4 --force >/dev/null && \"$T\" info x_rt.nmo")
exchange_cli_test(segy_export_mixed_lengths
  "^tsly export-segy: cut.dat: trace 4 is cut short \\(the file ends inside it\\)\nexit=1\n$"
  export-segy cut.dat x_cut.sgy)
exchange_cli_test(segy_export_velocity_field_taken
  "^tsly export-segy: velocity field 37 is a field export writes itself. name another\nexit=1\n$"
  export-segy panels20.nmo x_v37.sgy --velocity-field 37)
exchange_cli_test(segy_export_missing "^tsly export-segy: \"missing.dat\": No such file or directory\nexit=1\n$"
  export-segy missing.dat x_missing.sgy)

# --- Picks -------------------------------------------------------------------
exchange_cli_test(picks_export_par "^cdp=101\ntnmo=.04,.1005,.16\nvnmo=1500,2000,2500\nexit=0\n$"
  picks-export panels.picks --par)
exchange_cli_test(picks_export_csv "^cdp,time_ms,velocity\n101,40,1500\n101,100.5,2000\n101,160,2500\nexit=0\n$"
  picks-export panels.picks --csv)
exchange_cli_script(picks_export_file
  "^3 picks written to x_picks.par\ncdp=101\ntnmo=.04,.1005,.16\nvnmo=1500,2000,2500\nexit=0\n$"
  "\"$T\" picks-export panels.picks --par -o x_picks.par --force && cat x_picks.par")
exchange_cli_test(picks_export_malformed
  "^tsly picks-export: bad.picks line 6 \"101, x, 2000\": time \"x\" is not a number\nexit=1\n$"
  picks-export bad.picks --csv)
exchange_cli_test(picks_export_equal_times
  "^tsly picks-export: CDP 101 has two picks at 40 ms; tnmo times must increase\nexit=1\n$"
  picks-export equal.picks --par)
exchange_cli_test(picks_export_one_kind "^tsly picks-export: give one of --par and --csv\nexit=1\n$"
  picks-export panels.picks --par --csv)
exchange_cli_test(picks_export_exists "^tsly picks-export: \"panels20.nmo\" exists \\(use --force to overwrite it\\)\nexit=1\n$"
  picks-export panels.picks --csv -o panels20.nmo)
exchange_cli_test(picks_check_good "^3 picks loaded.\nexit=0\n$" picks-check panels.picks panels20.nmo)
exchange_cli_test(picks_check_refusals
  "^1 pick loaded, 4 rows refused:\nLine 3 \"102, 50, 1500\": CDP 102 is not in the open file\nLine 4 \"101, 60, 1600\": velocity 1600 is not one of the panels of CDP 101\nLine 5 \"101, 250, 1750\": time 250 ms lies outside the traces \\(0 to 200 ms\\)\nLine 6 \"101, x, 2000\": time \"x\" is not a number\nexit=1\n$"
  picks-check bad.picks panels20.nmo)
exchange_cli_test(picks_check_gather
  "^tsly picks-check: gather.dat holds CDP Gather Data; picks belong to velocity-scan or CDP-stacked panels\nexit=1\n$"
  picks-check panels.picks gather.dat)
exchange_cli_test(velocity_check
  "^CDP 101: 3 picks\n  time_ms      rms  interval  thickness_ms  check\n     1000     3000\n     1100     2000         -           100  velocity inversion; imaginary interval velocity\n     1500     2500      3527           400\n\nCDP 111: 2 picks\n  time_ms      rms  interval  thickness_ms  check\n      400     1600\n      800     1900      2159           400\n\n2 CDPs, 1 pick flagged\nexit=0\n$"
  velocity-check vfunc.picks)
exchange_cli_test(velocity_check_one_cdp "^CDP 111: 2 picks\n.*\n\n1 CDP, 0 picks flagged\nexit=0\n$"
  velocity-check vfunc.picks --cdp 111)
exchange_cli_test(velocity_check_no_cdp "^tsly velocity-check: vfunc.picks has no picks for CDP 5\nexit=1\n$"
  velocity-check vfunc.picks --cdp 5)
exchange_cli_test(help_lists_exchange
  "import-segy.*--data-type.*--velocity-field.*--cdp-byte.*--renumber.*export-segy.*--with-separators.*segy-info.*FILE.*picks-export.*--par.*--csv.*picks-check.*velocity-check.*--cdp.*exit=0"
  --help)
