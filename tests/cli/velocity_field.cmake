# tsly velocity-field: the field of a picks file written by the test itself
# (CDPs 101, 150, 200; CDP 150's interval velocity falls below 700 ms),
# golden lines, the PNG's signature and refusals. Outputs under files/vf_*.
# Each test writes its own copy (the tests run at once): vf_NAME.picks.
function(vf_picks name)
  set(VF_PICKS "printf '# Tessaly picks for line.nmo\\n101, 200, 1600\\n101, 800, 2000\\n101, 1500, 2600\\n150, 200, 1650\\n150, 700, 2100\\n150, 1100, 2050\\n150, 1600, 2700\\n200, 300, 1700\\n200, 900, 2200\\n200, 1800, 2900\\n'  > vf_${name}.picks" PARENT_SCOPE)
endfunction()
vf_picks(a)
tsly_cli_script(velocity_field_rms
  "^RMS velocity, CDP 101-200, 0-2000 ms, 3 picked CDPs in the range, 1600-2900 m/s\nInversions \\(interval velocity falling or undefined\\) at CDP 150\nWritten to vf_a.png\nexit=0\n211PNG\\\\r\\\\n032\\\\n\n$"
  "${VF_PICKS} && \"$0\" velocity-field vf_a.picks --png vf_a.png --force; echo exit=$?; od -An -c -N 8 vf_a.png | tr -d ' '")
vf_picks(b)
tsly_cli_script(velocity_field_interval_range
  "^Interval velocity \\(Dix\\), CDP 160-220, 0-2000 ms, 1 picked CDP in the range, 1660-3907 m/s\nWritten to vf_b.png\nexit=0\n$"
  "${VF_PICKS} && \"$0\" velocity-field vf_b.picks --png vf_b.png --interval --cdps 160-220 --force; echo exit=$?")
tsly_cli_script(velocity_field_no_picks
  "^tsly velocity-field: vf_none.picks holds no picks: there is no field to draw\nexit=1\n$"
  "printf '# Tessaly picks for line.nmo\\n' > vf_none.picks && \"$0\" velocity-field vf_none.picks --png vf_c.png 2>&1; echo exit=$?; test -e vf_c.png && echo written")
tsly_cli_script(velocity_field_bad_row
  "^tsly velocity-field: vf_bad.picks line 3 \"101, abc, 2000\": time \"abc\" is not a number\nexit=1\n$"
  "printf '# Tessaly picks for line.nmo\\n101, 200, 1600\\n101, abc, 2000\\n' > vf_bad.picks && \"$0\" velocity-field vf_bad.picks --png vf_d.png 2>&1; echo exit=$?")
vf_picks(e)
tsly_cli_script(velocity_field_bad_range
  "^tsly velocity-field: --cdps wants FIRST-LAST, whole CDP numbers with FIRST <= LAST, not '300-200'\nexit=1\n$"
  "${VF_PICKS} && \"$0\" velocity-field vf_e.picks --png vf_e.png --cdps 300-200 2>&1; echo exit=$?")
vf_picks(f)
tsly_cli_script(velocity_field_keeps_input_and_existing
  "^tsly velocity-field: \"vf_f.picks\" is the picks file read\nexit=1\ntsly velocity-field: \"vf_f.png\" exists \\(use --force to overwrite it\\)\nexit=1\nold\n$"
  "${VF_PICKS} && echo old > vf_f.png && \"$0\" velocity-field vf_f.picks --png vf_f.picks --force 2>&1; echo exit=$?; \"$0\" velocity-field vf_f.picks --png vf_f.png 2>&1; echo exit=$?; cat vf_f.png")
tsly_cli_test(velocity_field_missing "^tsly velocity-field: \"missing.picks\": No such file or directory\nexit=1\n$"
  velocity-field missing.picks --png vf_g.png)
