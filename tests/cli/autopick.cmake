# tsly autopick: the first pass over the small synthetic gather (files/gather.dat:
# CDPs 1001..1010, events 400 ms / 1800, 900 / 2200, 1400 / 2600, 1800 / 3000),
# runs over ranges joined into the file of one run, and refusals. Outputs are
# written under files/ap_*.
tsly_cli_script(autopick_finds_the_events
  "^40 picks on 10 CDPs written to ap_a.picks\nexit=0\n# Tessaly picks for gather.dat\n1001, 4[01][0-9][.0-9]*, 17[89][0-9]\n1001, 9[0-9][0-9][.0-9]*, 2[12][0-9][0-9]\n1001, 1[34][0-9][0-9][.0-9]*, 2[56][0-9][0-9]\n1001, 1[78][0-9][0-9][.0-9]*, [23][09][0-9][0-9]\n$"
  "\"$0\" autopick gather.dat --output ap_a.picks --force; echo exit=$?; head -5 ap_a.picks")
tsly_cli_script(autopick_ranges_join
  "^same\n$"
  "\"$0\" autopick gather.dat -o ap_w.picks --force >/dev/null && \"$0\" autopick gather.dat -o ap_1.picks --cdps 1001-1003 --threads 1 --force >/dev/null && \"$0\" autopick gather.dat -o ap_2.picks --cdps 1004-1010 --threads 3 --force >/dev/null && { cat ap_1.picks; tail -n +2 ap_2.picks; } | cmp - ap_w.picks && echo same")
tsly_cli_script(autopick_failure_keeps_old_file
  "^tsly autopick: --cdps 5-9 holds no CDP of gather.dat \\(CDPs 1001 to 1010\\)\nexit=1\nold\n$"
  "echo old > ap_b.picks && \"$0\" autopick gather.dat -o ap_b.picks --cdps 5-9 --force 2>&1; echo exit=$?; cat ap_b.picks")
tsly_cli_test(autopick_missing "^tsly autopick: \"missing.dat\": No such file or directory\nexit=1\n$"
  autopick missing.dat -o ap_c.picks)
tsly_cli_test(autopick_not_a_gather
  "^panels20.nmo holds Velocity Scan Data; the velocity spectrum is computed from CDP-gather data\nexit=1\n$"
  autopick panels20.nmo -o ap_c.picks --force)
tsly_cli_test(autopick_exists "^tsly autopick: \"panels20.nmo\" exists \\(use --force to overwrite it\\)\nexit=1\n$"
  autopick gather.dat -o panels20.nmo)
tsly_cli_test(autopick_would_replace_input "^tsly autopick: \"./gather.dat\" is the gather file\nexit=1\n$"
  autopick gather.dat -o ./gather.dat --force)
tsly_cli_test(autopick_bad_range
  "^tsly autopick: --cdps wants FIRST-LAST, whole numbers from -32768 to 32767 with FIRST <= LAST \\(got '9-x'\\)\nexit=1\n$"
  autopick gather.dat -o ap_c.picks --cdps 9-x)
tsly_cli_test(autopick_too_few_velocities
  "^tsly autopick: --vmin, --vmax and --dv give 2 velocities; the first pass needs at least 3\nexit=1\n$"
  autopick gather.dat -o ap_c.picks --vmin 2000 --vmax 2030 --dv 20)
tsly_cli_test(autopick_vmax_beyond_16_bits
  "^tsly autopick: --vmax \\(40000\\) is above 32767; picks hold 16-bit velocities\nexit=1\n$"
  autopick gather.dat -o ap_c.picks --vmax 40000 --dv 100)
tsly_cli_test(autopick_vmin_not_below_vmax "^tsly autopick: --vmin \\(3000\\) must be below --vmax \\(2000\\)\nexit=1\n$"
  autopick gather.dat -o ap_c.picks --vmin 3000 --vmax 2000)
tsly_cli_test(autopick_bad_threads "^tsly autopick: --threads wants a whole number from 1 to 64, not '0'\nexit=1\n$"
  autopick gather.dat -o ap_c.picks --threads 0)
tsly_cli_test(autopick_help
  "GATHER TEXT REQUIRED.*--output.*REQUIRED.*--cdps.*--vmin.*default 1200.*--vmax.*default 5180.*--dv.*default 20.*--threads.*--force.*exit=0"
  autopick --help)
