# Hostile names and files given to every reader and writer of tsly: folders,
# FIFOs, devices and links to them as outputs and inputs, outputs that are
# inputs, lines full of control characters, thousands of faults, signals in the
# middle of a run. Each case runs in files/ under names h_*; nothing may hang
# (every run is under `timeout`), nothing but the named output may change.

# hostile_cli_script(NAME regex script): $T is tsly, $W runs it with a time limit.
function(hostile_cli_script name regex script)
  add_test(NAME cli_${name}
    COMMAND sh -c "cd \"$1\" && T=\"$0\" && W=\"timeout -s KILL 60 $0\" && { ${script} ; } 2>&1" $<TARGET_FILE:tsly>
      ${CLI_DIR})
  set_tests_properties(cli_${name} PROPERTIES FIXTURES_REQUIRED "cli_files;cli_exchange_files;cli_decks"
    PASS_REGULAR_EXPRESSION "${regex}" SKIP_REGULAR_EXPRESSION "^skipped: " TIMEOUT 600)
endfunction()

# Every command that writes a file, with TARGET as its output.
set(HOSTILE_WRITERS
  "import-segy foreign.sgy TARGET --force"
  "export-segy gather.dat TARGET --force"
  "picks-export panels.picks --csv -o TARGET --force"
  "semblance gather.dat --cdp 1001 --csv TARGET"
  "semblance gather.dat --cdp 1001 --png TARGET"
  "section gather.dat --png TARGET"
  "nmo --deck deck_a.job --output TARGET --force"
  "generate gather.dat TARGET --start-cdps 1001 --velocities 2000 --force"
  "synth TARGET")
# Every command that reads a file, with SOURCE as its input.
set(HOSTILE_READERS
  "import-segy SOURCE h_out.dat"
  "export-segy SOURCE h_out.sgy"
  "picks-export SOURCE --csv"
  "picks-check SOURCE panels20.nmo"
  "velocity-check SOURCE"
  "nmo --deck SOURCE"
  "section SOURCE --png h_out.png"
  "semblance SOURCE --cdp 1001 --peaks")

# hostile_names(NAME COMMANDS make-script name kind check): every command of
# the list (WRITERS with the name as output, READERS as input) refused at once
# with "NAME is KIND, not a file"; then `check` (the thing still what it was)
# and no temporary left beside it.
function(hostile_names name commands make target kind check)
  set(runs "")
  foreach(c ${HOSTILE_${commands}})
    string(REPLACE "TARGET" "${target}" c "${c}")
    string(REPLACE "SOURCE" "${target}" c "${c}")
    string(APPEND runs "$W ${c}; echo exit=$?; ")
  endforeach()
  list(LENGTH HOSTILE_${commands} n)
  string(REPEAT "tsly [a-z-]+: \"${target}\" is ${kind}, not a file\nexit=1\n" ${n} refused)
  hostile_cli_script(${name} "^${refused}kept\nno temporary\n$"
    "${make} ${runs} ${check} && echo kept; ls -a \"$(dirname ${target})\" | grep -q \"^$(basename ${target})\\.tmp-\" || echo no temporary")
endfunction()
hostile_names(hostile_writers_fifo WRITERS "rm -rf h_fifo; mkfifo h_fifo;" h_fifo "a FIFO" "test -p h_fifo")
hostile_names(hostile_writers_folder WRITERS "rm -rf h_dir; mkdir h_dir;" h_dir "a folder" "test -d h_dir")
hostile_names(hostile_writers_link_to_fifo WRITERS "rm -f h_f2 h_link; mkfifo h_f2; ln -s h_f2 h_link;" h_link
  "a FIFO" "test -p h_f2 && test -L h_link")
hostile_names(hostile_writers_dev_null WRITERS
  "[ \"$(id -u)\" = 0 ] || { echo 'skipped: /dev/null is tried only as root'; exit 0; };" /dev/null "a device"
  "test -c /dev/null")
hostile_names(hostile_readers_fifo READERS "rm -rf h_infifo; mkfifo h_infifo;" h_infifo "a FIFO" "test -p h_infifo")
hostile_names(hostile_readers_folder READERS "rm -rf h_indir; mkdir h_indir;" h_indir "a folder" "test -d h_indir")
hostile_names(hostile_readers_device READERS "true;" /dev/zero "a device" "test -c /dev/zero")
# JobPad's deck file without a window: a FIFO is refused, not waited on.
if(TARGET JobPad)
  add_test(NAME cli_hostile_jobpad_fifo_deck
    COMMAND sh -c "cd \"$1\" && rm -f h_jp && mkfifo h_jp && timeout -s KILL 60 \"$0\" --no-window --deck h_jp --run; echo exit=$?"
      $<TARGET_FILE:JobPad> ${CLI_DIR})
  set_tests_properties(cli_hostile_jobpad_fifo_deck PROPERTIES FIXTURES_REQUIRED cli_dir TIMEOUT 120
    PASS_REGULAR_EXPRESSION "^JobPad: \"h_jp\" is a FIFO, not a file\nexit=1\n$")
endif()

# An output that is an input, by another spelling or a link: refused, the input unchanged.
hostile_cli_script(hostile_output_is_input
  "^tsly section: \"h_same.dat\" is the input file\ntsly export-segy: \"./H_SAME.DAT\" is the input file\ntsly semblance: \"h_samelink\" is the gather file\ntsly picks-export: \"h_same.picks\" is the picks file read\ntsly import-segy: \"h_same.sgy\" is the input file\ntsly nmo: \"deck_a.job\" is the deck\nunchanged\n$"
  "cp gather.dat h_same.dat && cp panels.picks h_same.picks && cp foreign.sgy h_same.sgy && cp deck_a.job h_deck.copy && rm -f h_samelink && ln -s h_same.dat h_samelink;
   $W section h_same.dat --png h_same.dat; $W export-segy h_same.dat ./H_SAME.DAT --force;
   $W semblance h_same.dat --cdp 1001 --csv h_samelink; $W picks-export h_same.picks --csv -o h_same.picks --force;
   $W import-segy h_same.sgy h_same.sgy --force; $W nmo --deck deck_a.job --output deck_a.job --force;
   cmp -s h_same.dat gather.dat && cmp -s h_same.picks panels.picks && cmp -s h_same.sgy foreign.sgy && cmp -s deck_a.job h_deck.copy && echo unchanged")

# Messages tell the truth and stay short: control characters escaped, an
# offending line cut to 80 characters, at most 20 faults and then a count.
string(REPEAT "x" 69 x69)
string(REPEAT "x" 25 x25)
hostile_cli_script(hostile_deck_line_escaped_and_cut
  "^tsly nmo: h_esc.job line 2 \"\\*NMOT \\\\x1b\\[2J\\\\x00${x69}\\.\\.\\.\": \"\\\\x1b\\[2J\\\\x00${x25}\\.\\.\\.\" is not a number\nexit=1\n$"
  "{ printf '*INPF gather.dat\\n*NMOT \\033[2J\\000'; head -c 1048576 /dev/zero | tr '\\0' x; printf '\\n'; } > h_esc.job; $W nmo --deck h_esc.job; echo exit=$?")
foreach(command picks-export velocity-check)
  string(REPEAT "tsly ${command}: h_many.picks line [0-9]+ \"101, x, 2000\": time \"x\" is not a number\n" 20 faults)
  string(APPEND capped "${faults}tsly ${command}: and 49980 more\nexit=1\n")
endforeach()
hostile_cli_script(hostile_picks_faults_capped "^${capped}$"
  "awk 'BEGIN { for (k = 0; k < 50000; ++k) print \"101, x, 2000\" }' > h_many.picks; $W picks-export h_many.picks --csv; echo exit=$?; $W velocity-check h_many.picks; echo exit=$?")
hostile_cli_script(hostile_deck_from_dev_zero_and_large
  "^tsly nmo: \"/dev/zero\" is a device, not a file\ntsly nmo: \"h_big.job\" is larger than 16 MiB\nexit=1\n$"
  "$W nmo --deck /dev/zero; head -c 16777217 /dev/zero > h_big.job; $W nmo --deck h_big.job; echo exit=$?")

# Work and memory follow the input, not the numbers in it.
hostile_cli_script(hostile_semblance_spectrum_limit
  "^tsly semblance: CDP 1: 32767 samples x 1000 velocities make 32767000 spectrum values; at most 16777216\nexit=1\nno file\n$"
  "$W synth h_long.dat --cdps 1 --offsets 100:100:2 --samples 32767 --interval 1000 --first-cdp 1 >/dev/null && $W semblance h_long.dat --cdp 1 --vmin 1000 --vmax 5995 --dv 5 --csv h_long.csv; echo exit=$?; test -e h_long.csv || echo no file")
hostile_cli_script(hostile_section_picture_capped
  "^tsly section: the picture is limited to 16384 pixels each way and 67108864 in all; drawn smaller to fit\nWrote h_tall.png: 2 traces, [0-9]+ x (1[0-6][0-9][0-9][0-9]|[0-9]{1,4}) pixels\nexit=0\n$"
  "$W synth h_tall.dat --cdps 1 --offsets 100:100:2 --samples 32767 --interval 32767 --first-cdp 1 >/dev/null && $W section h_tall.dat --png h_tall.png; echo exit=$?")

# SIGTERM or SIGINT in the middle of a run: no temporary file and no output
# left. The signal goes once the temporary exists (or at once for a command
# that is still reading); a run that ends first is said so. (A shell starts
# background commands with SIGINT ignored: tsly's own handler takes it all the
# same, so semblance is sent SIGINT and the others SIGTERM.)
hostile_cli_script(hostile_interrupts_leave_nothing
  "^import-segy: (removed|ended first)\nexport-segy: (removed|ended first)\nsemblance: removed\nsection: (removed|ended first)\n$"
  "$W synth h_sig.dat --cdps 120 --offsets 0:50:48 --samples 1500 >/dev/null && $W export-segy h_sig.dat h_sig.sgy --force >/dev/null || exit 1;
   interrupt() { sig=$1; name=$2; when=$3; out=$4; shift 4; rm -f \"$out\"; \"$T\" \"$@\" >/dev/null 2>&1 & pid=$!; n=0;
     while [ $when = temp ] && kill -0 $pid 2>/dev/null && ! ls -a | grep -q \"^$out.tmp-\" && [ $n -lt 6000 ]; do sleep 0.01; n=$((n+1)); done;
     kill -$sig $pid 2>/dev/null; { wait $pid; } 2>/dev/null; r=$?;
     if [ $r -eq 0 ]; then echo \"$name: ended first\"; elif ls -a | grep -q '^h_sig.*\\.tmp-' || [ -e \"$out\" ]; then echo \"$name: left files\"; else echo \"$name: removed\"; fi; };
   interrupt TERM import-segy temp h_sig_i.dat import-segy h_sig.sgy h_sig_i.dat --force;
   interrupt TERM export-segy temp h_sig_e.sgy export-segy h_sig.dat h_sig_e.sgy --force;
   interrupt INT semblance temp h_sig.csv semblance h_sig.dat --cdp all --csv h_sig.csv;
   interrupt TERM section now h_sig.png section h_sig.dat --png h_sig.png")
