# tsly nmo --deck and tsly section: decks made by "Make VELF commands" and by
# hand (make_deck_files), run on the gather.dat of cli_synth_default.
add_executable(make_deck_files ${CMAKE_CURRENT_LIST_DIR}/deck_files.cpp)
target_include_directories(make_deck_files PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(make_deck_files PRIVATE tessaly_core)
set_target_properties(make_deck_files PROPERTIES AUTOMOC OFF)
add_test(NAME cli_make_deck_files COMMAND make_deck_files ${CLI_DIR})
set_tests_properties(cli_make_deck_files PROPERTIES FIXTURES_SETUP cli_decks FIXTURES_REQUIRED cli_dir)

# deck_cli_test(NAME REGEX SCRIPT): SCRIPT runs by sh in the test folder, with
# $T the tsly program; stderr is merged into stdout.
function(deck_cli_test name regex script)
  add_test(NAME cli_${name}
    COMMAND sh -c "cd \"$1\" && T=\"$0\" && { ${script} ; } 2>&1" $<TARGET_FILE:tsly> ${CLI_DIR})
  set_tests_properties(cli_${name} PROPERTIES FIXTURES_REQUIRED "cli_files;cli_decks"
    PASS_REGULAR_EXPRESSION "${regex}" TIMEOUT 60)
endfunction()

deck_cli_test(nmo_moved_out
  "^Output file:    deck_a.dat\nTraces written: 120\nTime:           [0-9]+\\.[0-9][0-9][0-9] s\nexit=0\n$"
  "\"$T\" nmo --deck deck_a.job --force; echo exit=$?")
deck_cli_test(nmo_lf_deck "Output file:    deck_lf.dat\nTraces written: 120\n.*exit=0"
  "\"$T\" nmo --deck deck_lf.job --force; echo exit=$?")
deck_cli_test(nmo_exists
  "^tsly nmo: deck_r.job line 5 \"\\*OUTF deck_r.dat\": \"deck_r.dat\" exists \\(use --force to overwrite it\\)\nexit=3\n$"
  "\"$T\" nmo --deck deck_r.job --force >/dev/null; \"$T\" nmo --deck deck_r.job; echo exit=$?")
deck_cli_test(nmo_cdps_join "^same\nsame\nexit=0\n$"
  "\"$T\" nmo --deck deck_w.job --force >/dev/null && \"$T\" nmo --deck deck_w.job --cdps 1001-1004 --output deck_p1.dat --force >/dev/null && \"$T\" nmo --deck deck_w.job --cdps 1005-1010 --output deck_p2.dat --force >/dev/null && cat deck_p1.dat deck_p2.dat > deck_joined.dat && cmp deck_joined.dat deck_w.dat && echo same && \"$T\" nmo --deck deck_w.job --stack --output deck_ws.dat --force >/dev/null && \"$T\" nmo --deck deck_w.job --stack --cdps 1001-1007 --output deck_p1.dat --force >/dev/null && \"$T\" nmo --deck deck_w.job --stack --cdps 1008-1010 --output deck_p2.dat --force >/dev/null && cat deck_p1.dat deck_p2.dat | cmp - deck_ws.dat && echo same; echo exit=$?")
deck_cli_test(nmo_stack_section
  "^Wrote deck_s.png: 10 traces, [0-9]+ x [0-9]+ pixels\nexit=0\n +211 +P +N +G"
  "\"$T\" nmo --deck deck_s.job --stack --force >/dev/null && \"$T\" section deck_s.dat --png deck_s.png --fill --gain 6; echo exit=$?; od -An -c -N4 deck_s.png")
deck_cli_test(nmo_progress_lines "^(progress [0-9]+ 120\n)*progress 120 120\n$"
  "\"$T\" nmo --deck deck_g.job --force --progress-lines 2>&1 >/dev/null")

# Malformed decks: refused with the line and the fault, nothing written.
deck_cli_test(nmo_bad_noinpf
  "^tsly nmo: bad_noinpf.job: the deck has no \\*INPF line \\(the data file to move out\\)\nexit=1\nabsent\n$"
  "\"$T\" nmo --deck bad_noinpf.job; echo exit=$?; test -e bad_noinpf.dat || echo absent")
deck_cli_test(nmo_bad_odd
  "^tsly nmo: bad_odd.job line 3 \"VELF 1003 100 1800 600\": time 600 has no velocity \\(the values after the CDP come in pairs\\)\nexit=1\nabsent\n$"
  "\"$T\" nmo --deck bad_odd.job; echo exit=$?; test -e bad_odd.dat || echo absent")
deck_cli_test(nmo_bad_order
  "^tsly nmo: bad_order.job line 3 \"VELF 1003 600 1800 100 2400\": times not ascending: 100 follows 600\nexit=1\nabsent\n$"
  "\"$T\" nmo --deck bad_order.job; echo exit=$?; test -e bad_order.dat || echo absent")
deck_cli_test(nmo_bad_zero
  "^tsly nmo: bad_zero.job line 4 \"VELF 1008 100 0\": velocity 0 at 100 ms is not positive\nexit=1\nabsent\n$"
  "\"$T\" nmo --deck bad_zero.job; echo exit=$?; test -e bad_zero.dat || echo absent")
deck_cli_test(nmo_bad_keyword
  "^tsly nmo: bad_keyword.job line 2 \"\\*NMOX  .5 0\": unknown keyword \"\\*NMOX\" \\(deck lines begin \\*INPF, \\*NMOT, VELF, \\*OUTF or >>END\\)\nexit=1\nabsent\n$"
  "\"$T\" nmo --deck bad_keyword.job; echo exit=$?; test -e bad_keyword.dat || echo absent")
deck_cli_test(nmo_bad_missing_input
  "^tsly nmo: bad_missing.job line 1 \"\\*INPF nothere.dat\": \"nothere.dat\": No such file or directory\nexit=1\nabsent\n$"
  "\"$T\" nmo --deck bad_missing.job; echo exit=$?; test -e bad_missing.dat || echo absent")
deck_cli_test(nmo_no_deck "^tsly nmo: \"nothere.job\": No such file or directory\nexit=1\n$"
  "\"$T\" nmo --deck nothere.job; echo exit=$?")
deck_cli_test(nmo_bad_cdps "--cdps wants FIRST-LAST.*got '1010-1001'\\)\nexit=1\n$"
  "\"$T\" nmo --deck deck_a.job --cdps 1010-1001; echo exit=$?")
deck_cli_test(nmo_output_elsewhere
  "^Output file:    deck_elsewhere.dat\nTraces written: 10\n.*exit=0\nabsent\n$"
  "\"$T\" nmo --deck deck_e.job --stack --output deck_elsewhere.dat --force; echo exit=$?; test -e deck_e.dat || echo absent")
deck_cli_test(nmo_section_help
  "--deck.*REQUIRED.*--stack.*--cdps.*--output.*--force.*--progress-lines.*FILE.*REQUIRED.*--png.*REQUIRED.*--gain.*--fill.*exit=0"
  "\"$T\" nmo --help; \"$T\" section --help; echo exit=$?")
deck_cli_test(nmo_output_unwritable
  "^tsly nmo: \"nofolder/out.dat\" can not be written: No such file or directory\nexit=1\n$"
  "\"$T\" nmo --deck deck_a.job --output nofolder/out.dat; echo exit=$?")
deck_cli_test(section_gain_limits
  "^exit=0\ntsly section: --gain wants decibels from -120 to 120 \\(got '-120.5'\\)\nexit=1\n$"
  "\"$T\" section gather.dat --png gain.png --gain -120 >/dev/null; echo exit=$?; \"$T\" section gather.dat --png gain.png --gain -120.5; echo exit=$?")
deck_cli_test(section_not_a_file "^tsly section: \"nothere.dat\": No such file or directory\nexit=1\n$"
  "\"$T\" section nothere.dat --png x.png; echo exit=$?")
