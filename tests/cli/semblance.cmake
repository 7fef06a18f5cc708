# tsly semblance: spectra of the small synthetic gather (files/gather.dat: CDPs
# 1001..1010, 12 offsets 100..2300, 500 samples at 4 ms, events 400 ms / 1800,
# 900 / 2200, 1400 / 2600, 1800 / 3000), golden lines and refusals. Outputs
# are written under files/sem_*.
# Noise-free events give a ridge of semblance near 1 with several local maxima
# along it; one lies within a sample and a velocity step of each event.
tsly_cli_test(semblance_peaks_find_the_events
  "^[0-9]+ [0-9]+ 0\\.9[0-9]+\n(.*\n)?1804 3000 0\\.9[0-9]+\n(.*\n)?1404 2600 0\\.9[0-9]+\n(.*\n)?408 1780 0\\.9[0-9]+\n(.*\n)?900 2200 0\\.9[0-9]+\n.*exit=0\n$"
  semblance gather.dat --cdp 1003 --peaks)
tsly_cli_script(semblance_csv
  "^exit=0\ntime_ms,velocity,semblance\n0,1500,0\\.0000\n0,1600,0\\.0000\n8001\n1\n$"
  "\"$0\" semblance gather.dat --cdp 1001 --vmin 1500 --vmax 3000 --dv 100 --csv sem_a.csv; echo exit=$?; head -3 sem_a.csv; wc -l < sem_a.csv; grep -c '^1400,2600,0\\.9' sem_a.csv")
tsly_cli_script(semblance_all_csv_and_peaks
  "^exit=0\ncdp,time_ms,velocity,semblance\n1001,0,1600,0\\.0000\n45001\n1001 1002 1003 1004 1005 1006 1007 1008 1009 1010 \n$"
  "\"$0\" semblance gather.dat --cdp all --vmin 1600 --vmax 3200 --dv 200 --window-ms 12 --csv sem_b.csv --peaks > sem_b.txt; echo exit=$?; head -2 sem_b.csv; wc -l < sem_b.csv; cut -d' ' -f1 sem_b.txt | uniq | tr '\\n' ' '; echo")
tsly_cli_script(semblance_png
  "^exit=0\n211PNG\\\\r\\\\n032\\\\n\n$"
  "\"$0\" semblance gather.dat --cdp 1002 --png sem_c.png; echo exit=$?; od -An -c -N 8 sem_c.png | tr -d ' '")
# A refused run writes nothing and keeps what was there.
tsly_cli_script(semblance_failure_keeps_old_csv
  "^tsly semblance: CDP 77 is not in gather.dat \\(CDPs 1001 to 1010\\)\nexit=1\nold\n0\n$"
  "echo old > sem_d.csv && \"$0\" semblance gather.dat --cdp 77 --csv sem_d.csv 2>&1; echo exit=$?; cat sem_d.csv; ls sem_d.csv.tmp-* 2>/dev/null | wc -l")
tsly_cli_test(semblance_missing "^tsly semblance: \"missing.dat\": No such file or directory\nexit=1\n$"
  semblance missing.dat --cdp 1 --peaks)
tsly_cli_test(semblance_not_a_gather
  "^panels20.nmo holds Velocity Scan Data; the velocity spectrum is computed from CDP-gather data\nexit=1\n$"
  semblance panels20.nmo --cdp 101 --peaks)
tsly_cli_test(semblance_bad_cdp "^tsly semblance: --cdp wants a CDP number \\(-32768 to 32767\\) or all, not '10x'\nexit=1\n$"
  semblance gather.dat --cdp 10x --peaks)
tsly_cli_test(semblance_vmin_not_below_vmax "^tsly semblance: --vmin \\(3000\\) must be below --vmax \\(2000\\)\nexit=1\n$"
  semblance gather.dat --cdp 1001 --vmin 3000 --vmax 2000 --peaks)
tsly_cli_test(semblance_bad_dv "^tsly semblance: --dv must be above 0\nexit=1\n$"
  semblance gather.dat --cdp 1001 --dv 0 --peaks)
tsly_cli_test(semblance_too_many_velocities
  "^tsly semblance: --vmin, --vmax and --dv give 3901 velocities; at most 1000\nexit=1\n$"
  semblance gather.dat --cdp 1001 --vmin 1100 --vmax 5000 --dv 1 --peaks)
# Found by fuzz_semblance_options: ends that are no single-precision velocity.
tsly_cli_test(semblance_vmin_too_small "^tsly semblance: --vmin \\(1e-50\\) is too small a velocity\nexit=1\n$"
  semblance gather.dat --cdp 1001 --vmin 1e-50 --vmax 1 --dv .01 --peaks)
tsly_cli_test(semblance_vmax_too_large "^tsly semblance: --vmax \\(1e\\+39\\) is too large a velocity\nexit=1\n$"
  semblance gather.dat --cdp 1001 --vmin 1e38 --vmax 1e39 --dv 1e37 --peaks)
tsly_cli_test(semblance_bad_window "^tsly semblance: --window-ms must be above 0\nexit=1\n$"
  semblance gather.dat --cdp 1001 --window-ms -4 --peaks)
tsly_cli_test(semblance_not_a_number "^tsly semblance: --vmax: 'fast' is not a number\nexit=1\n$"
  semblance gather.dat --cdp 1001 --vmax fast --peaks)
tsly_cli_test(semblance_bad_stretch "^tsly semblance: --stretch must lie between .1 and .99\nexit=1\n$"
  semblance gather.dat --cdp 1001 --stretch 2 --peaks)
tsly_cli_test(semblance_png_needs_one_cdp
  "^tsly semblance: --png draws one CDP; give --cdp N \\(--csv and --peaks take all\\)\nexit=1\n$"
  semblance gather.dat --cdp all --png sem_e.png)
tsly_cli_test(semblance_nothing_to_write "^tsly semblance: nothing to write: give --png, --csv or --peaks\nexit=1\n$"
  semblance gather.dat --cdp 1001)
tsly_cli_test(semblance_would_replace_input "^tsly semblance: \"./gather.dat\" is the gather file\nexit=1\n$"
  semblance gather.dat --cdp 1001 --csv ./gather.dat)
tsly_cli_test(semblance_help
  "GATHER TEXT REQUIRED.*--cdp.*all.*--vmin.*default 1200.*--vmax.*default 5180.*--dv.*default 20.*--window-ms.*default: 5 samples.*--stretch.*default .5.*--png.*--csv.*--peaks.*above 0.3.*exit=0"
  semblance --help)
