#!/usr/bin/env bash
# The array-job scripts of scripts/slurm on a real Slurm: starts a one-node
# cluster of its own (munged, slurmctld, slurmd on 127.0.0.1, everything in a
# temporary folder under /tmp), submits panel generation and deck runs split
# into 3 tasks each, waits for every job, and compares each joined output with
# the file one tsly run over everything writes. A deck run shares the CDPs the
# gather holds within its range; one naming none of them is refused before
# anything is submitted. A run whose task fails must
# leave its output unwritten and say which task, and be completed by running
# that task and the join again. The daemons are stopped whatever happens.
#
# Usage: tests/slurm/slurm_cluster_test.sh TSLY
# Exit status 0 passed, 1 failed, 77 skipped (Slurm or MUNGE not installed;
# scripts/deps.sh installs them). TSLY_SLURM_KEEP=1 keeps the temporary folder.
set -uo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SCRIPTS="$HERE/../../scripts/slurm"
[ $# -eq 1 ] && [ -x "$1" ] || { echo "usage: slurm_cluster_test.sh TSLY (the tsly program)" >&2; exit 2; }
export TSLY
TSLY=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
START=$SECONDS

for p in munged mungekey slurmctld slurmd sbatch squeue sinfo scontrol scancel; do
  if ! command -v "$p" >/dev/null; then
    echo "SKIPPED: $p is not installed (scripts/deps.sh installs slurm-wlm and munge)"
    exit 77
  fi
done

# Nothing of a Slurm the test may itself run under may leak into this one.
while read -r v; do unset "$v"; done < <(compgen -e | grep -E '^(SLURM_|SBATCH_|SQUEUE_|SALLOC_|SINFO_|SCONTROL_)')

fail() {
  echo "FAILED: $*" >&2
  exit 1
}
say() { printf '[%3ds] %s\n' $((SECONDS - START)) "$*"; }

# A run killed outright (SIGKILL of its process alone) leaves its folder and
# maybe its daemons: those of a run whose script has ended are stopped through
# their pid files (when the pid is still that daemon) and the folder removed.
clean_stale_runs() {
  local d owner f pid comm
  for d in /tmp/tsly-slurm.*; do
    [ -f "$d/owner" ] && [ -O "$d" ] || continue
    read -r owner <"$d/owner" || continue
    [ -d "/proc/$owner" ] && continue
    for f in "$d/slurmd.pid" "$d/slurmctld.pid" "$d/munge/munged.pid"; do
      [ -f "$f" ] && read -r pid <"$f" && [ -r "/proc/$pid/comm" ] || continue
      read -r comm <"/proc/$pid/comm"
      case "$(basename "$f" .pid)" in "$comm") kill -KILL "$pid" 2>/dev/null ;; esac
    done
    echo "removing $d, left by an earlier run (pid $owner) that was killed"
    rm -rf "$d"
  done
}
clean_stale_runs

# A short folder: the socket paths inside must stay within the 108-byte limit.
T=$(mktemp -d /tmp/tsly-slurm.XXXXXX) || fail "can not make a temporary folder"
echo $$ >"$T/owner"
chmod 755 "$T"  # MUNGE clients must reach the socket folder
mkdir -p "$T/munge" "$T/state" "$T/spool" "$T/log" "$T/data"
export SLURM_CONF="$T/slurm.conf"

PIDS=()   # daemons started, in the order they are to be stopped (last first)
JOBS=()   # job ids submitted

alive() {
  local st
  [ -r "/proc/$1/stat" ] || return 1
  read -r _ _ st _ <"/proc/$1/stat" || return 1
  [ "$st" != Z ]
}

stop_daemon() {
  local pid="$1" k
  alive "$pid" || { wait "$pid" 2>/dev/null; return 0; }
  kill -TERM "$pid" 2>/dev/null
  for ((k = 0; k < 100; k++)); do
    alive "$pid" || break
    sleep 0.1
  done
  if alive "$pid"; then
    echo "daemon $pid did not stop on SIGTERM within 10 s; killing it" >&2
    kill -KILL "$pid" 2>/dev/null
  fi
  wait "$pid" 2>/dev/null
  return 0
}

cleanup() {
  local rc=$? k
  # Once stopping, stop everything: a second signal does not cut it short.
  trap - EXIT
  trap '' TERM INT HUP
  if [ ${#JOBS[@]} -gt 0 ] && [ ${#PIDS[@]} -ge 2 ] && alive "${PIDS[1]}"; then
    scancel "${JOBS[@]}" 2>/dev/null
  fi
  for ((k = ${#PIDS[@]} - 1; k >= 0; k--)); do stop_daemon "${PIDS[k]}"; done
  if [ "$rc" -ne 0 ] && [ "$rc" -ne 77 ]; then
    for f in "$T"/log/*; do
      [ -s "$f" ] && { echo "--- tail of $f"; tail -n 15 "$f"; }
    done
  fi
  if [ "${TSLY_SLURM_KEEP:-0}" = 1 ]; then echo "kept $T"; else rm -rf "$T"; fi
  say "daemons stopped"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
trap 'exit 129' HUP

# wait_for WHAT SECONDS PID COMMAND...: polls COMMAND until it succeeds; fails
# when the daemon PID has ended or the time is up.
wait_for() {
  local what="$1" limit=$(($2 * 10)) pid="$3" k
  shift 3
  for ((k = 0; k < limit; k++)); do
    "$@" >/dev/null 2>&1 && return 0
    alive "$pid" || fail "$what: the daemon ended"
    sleep 0.1
  done
  fail "$what: not ready after $((limit / 10)) s"
}

# Ports no socket of this machine uses now.
used_ports() {
  local sl local_address rest
  while read -r sl local_address rest; do
    [[ "$local_address" == *:* ]] && echo $((16#${local_address##*:}))
  done < <(tail -q -n +2 /proc/net/tcp /proc/net/tcp6 2>/dev/null)
}
pick_port() {
  local used p
  used=" $(used_ports | tr '\n' ' ') $* "
  while :; do
    p=$((20000 + RANDOM % 12000))  # below the usual ephemeral ports (32768-)
    [[ "$used" == *" $p "* ]] || { echo "$p"; return; }
  done
}

start_munge() {
  mungekey --create --keyfile="$T/munge/munge.key" >/dev/null 2>&1 ||
    dd if=/dev/urandom of="$T/munge/munge.key" bs=1 count=1024 status=none || fail "no MUNGE key"
  chmod 400 "$T/munge/munge.key"
  setsid munged --foreground --socket="$T/munge/socket" --key-file="$T/munge/munge.key" \
    --pid-file="$T/munge/munged.pid" --log-file="$T/log/munged.log" --seed-file="$T/munge/seed" \
    </dev/null >"$T/log/munged.out" 2>&1 &
  PIDS+=($!)
  wait_for munged 15 "$!" test -S "$T/munge/socket"
}

write_conf() {
  local host="${HOSTNAME%%.*}" ctld_port d_port user
  ctld_port=$(pick_port)
  d_port=$(pick_port "$ctld_port")
  user=$(id -un)
  cat >"$SLURM_CONF" <<EOF
ClusterName=tslytest
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$d_port
SlurmUser=$user
SlurmdUser=$user
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$T/munge/socket
StateSaveLocation=$T/state
SlurmdSpoolDir=$T/spool
SlurmctldPidFile=$T/slurmctld.pid
SlurmdPidFile=$T/slurmd.pid
SlurmctldLogFile=$T/log/slurmctld.log
SlurmdLogFile=$T/log/slurmd.log
# No cgroups in a container: plain process tracking, no task binding, no
# accounting.
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
MailProg=/bin/true
SchedulerType=sched/builtin
SchedulerParameters=batch_sched_delay=0,sched_min_interval=0
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
MinJobAge=600
KillWait=5
NodeName=tslynode NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=tslynode Default=YES MaxTime=10 State=UP
EOF
}

start_slurm() {
  setsid slurmctld -D -f "$SLURM_CONF" </dev/null >"$T/log/slurmctld.out" 2>&1 &
  PIDS+=($!)
  wait_for slurmctld 30 "$!" bash -c 'scontrol ping | grep -q UP'
  setsid slurmd -D -N tslynode -f "$SLURM_CONF" </dev/null >"$T/log/slurmd.out" 2>&1 &
  PIDS+=($!)
  wait_for slurmd 30 "$!" bash -c '[[ "$(sinfo -h -n tslynode -o %T)" == idle* ]]'
}

start_munge
write_conf
start_slurm
say "one-node Slurm up (munged ${PIDS[0]}, slurmctld ${PIDS[1]}, slurmd ${PIDS[2]})"

# The data: a gather of 10 CDPs (1001-1010) x 12 offsets and a deck with picks
# on CDPs 1003 and 1008, lines ended by CR LF as JobPad saves them. bad.dat is
# the gather with no offset scalar (word 35 = 0) on the first trace of CDP
# 1010, which tsly nmo refuses only in a range holding that CDP.
cd "$T/data" || fail "no data folder"
"$TSLY" synth gather.dat --samples 250 >/dev/null || fail "tsly synth"
deck() { printf '*INPF %s\r\n*NMOT  .5 0\r\nVELF 1003 100 1800 600 2400\r\nVELF 1008 100 1900 600 2600\r\n*OUTF whole.dat\r\n>>END\r\n' "$1"; }
deck gather.dat >deck.job
deck bad.dat >bad.job
cp gather.dat bad.dat
printf '\0\0' | dd of=bad.dat bs=1 seek=$((108 * (240 + 250 * 4) + 68)) conv=notrunc status=none

# One run over everything, for each case.
GEN_A=(--start-cdps 1001,1003,1005,1007,1009 --velocities 1500,2000,2500 --cdps-per-panel 2)
GEN_B=(--start-cdps 1001,1006 --velocities 1800,2200 --cdps-per-panel 5 --no-stack)
"$TSLY" generate gather.dat ref_a.nmo "${GEN_A[@]}" >/dev/null 2>&1 || fail "tsly generate (a)"
"$TSLY" generate gather.dat ref_b.nmo "${GEN_B[@]}" >/dev/null 2>&1 || fail "tsly generate (b)"
"$TSLY" nmo --deck deck.job >/dev/null || fail "tsly nmo"
"$TSLY" nmo --deck deck.job --stack --cdps 1001-1002 --output ref_stack.dat >/dev/null || fail "tsly nmo --stack"
"$TSLY" nmo --deck bad.job --cdps 1010 --output bad_check.dat >/dev/null 2>&1 && fail "bad.dat is not refused"
PICK=(--vmin 1500 --vmax 3000 --dv 50)
# (The header line names the gather as given: the script gives it absolute.)
"$TSLY" autopick "$PWD/gather.dat" --output ref_f.picks --cdps 1001-1010 "${PICK[@]}" >/dev/null 2>&1 || fail "tsly autopick"
[ "$(grep -c . ref_f.picks)" -gt 10 ] || fail "tsly autopick picked (nearly) nothing on the test gather"

# submit NAME SCRIPT ARGS...: runs the script (from the data folder, relative
# names), keeps its job ids and run folder.
declare -A RUNDIR ARRAY JOIN STATE
submit() {
  local name="$1" script="$2" out ids
  shift 2
  out=$("$SCRIPTS/$script" "$@" 2>&1) || fail "$name: $script refused: $out"
  ids=$(sed -n 's/.*array job \([0-9]*\) (.*join job \([0-9]*\)$/\1 \2/p' <<<"$out")
  [ -n "$ids" ] || fail "$name: no job ids in: $out"
  read -r "ARRAY[$name]" "JOIN[$name]" <<<"$ids"
  JOBS+=("${ARRAY[$name]}" "${JOIN[$name]}")
  RUNDIR[$name]=$(sed -n 's/.*parts and logs in //p' <<<"$out")
}

# wait_jobs COUNT ID...: polls until the COUNT jobs and array tasks of the ids
# have all ended, and keeps their end states in STATE (Slurm's own record; no
# accounting database here, the controller keeps ended jobs for MinJobAge). A
# failed squeue is never taken for "done": it is retried until the time is up.
wait_jobs() {
  local count="$1" ids lines k id st
  shift
  ids=$(IFS=,; echo "$*")
  for ((k = 0; ; k++)); do
    [ "$k" -lt 600 ] || fail "jobs not ended after 120 s: $(squeue -h -r --states=all -j "$ids" -o '%i %T' | tr '\n' ' ')"
    sleep 0.2
    lines=$(squeue -h -r --states=all -j "$ids" -o '%i %T') || continue
    [ "$(grep -c . <<<"$lines")" -eq "$count" ] || continue
    grep -qvE ' (COMPLETED|FAILED|CANCELLED|TIMEOUT|NODE_FAIL|OUT_OF_MEMORY|BOOT_FAIL|DEADLINE|PREEMPTED)$' <<<"$lines" || break
  done
  while read -r id st; do STATE[$id]=$st; done <<<"$lines"
}

expect_state() {
  [ "${STATE[$1]:-}" = "$2" ] || fail "job $1 ended ${STATE[$1]:-unknown}, expected $2 (log: $3)"
}

# (a) 5 panels in 3 tasks: 2, 2, 1.
submit a generate.sh --tasks 3 gather.dat out_a.nmo "${GEN_A[@]}"
# (b) 2 panels in 3 tasks: the last task gets none.
submit b generate.sh --tasks 3 gather.dat out_b.nmo "${GEN_B[@]}"
# (c) the moved-out gather, CDPs 1001-1010 in 3 tasks: 4, 3, 3.
submit c nmo.sh --tasks 3 --deck deck.job --cdps 1001-1010 --output out_c.dat
# (d) stacked, CDPs 995-1002 in 3 tasks: the gather holds 1001 and 1002 of
# them, one for each of the first two tasks; the last gets none.
submit d nmo.sh --tasks 3 --stack --deck deck.job --cdps 995-1002 --output out_d.dat
# A range holding no CDP of the gather is refused before anything is submitted.
if out=$("$SCRIPTS/nmo.sh" --tasks 3 --deck deck.job --cdps 2001-2010 --output out_none.dat 2>&1); then
  fail "a range without CDPs was submitted: $out"
fi
grep -q 'holds none of CDPs 2001 to 2010 (its CDPs run from 1001 to 1010)' <<<"$out" ||
  fail "a range without CDPs: unexpected message: $out"
ls out_none.dat.run-* >/dev/null 2>&1 && fail "a range without CDPs left a run folder"
# (e) on bad.dat: task 2 (CDPs 1008-1010) fails, so nothing is joined.
submit e nmo.sh --tasks 3 --deck bad.job --cdps 1001-1010 --output out_e.dat
# (f) the first pass, CDPs 1001-1010 in 3 tasks: picks files joined without
# their repeated header lines.
submit f autopick.sh --tasks 3 --cdps 1001-1010 "${PICK[@]}" gather.dat out_f.picks
say "submitted jobs ${JOBS[*]}"
wait_jobs 24 "${JOBS[@]}"
say "all 24 jobs ended"

for name in a b c d f; do
  for t in 0 1 2; do expect_state "${ARRAY[$name]}_$t" COMPLETED "${RUNDIR[$name]}/task-000$t.log"; done
  expect_state "${JOIN[$name]}" COMPLETED "${RUNDIR[$name]}/join.log"
  ls "${RUNDIR[$name]}"/part-* >/dev/null 2>&1 && fail "$name: the join left its parts in ${RUNDIR[$name]}"
done
cmp out_a.nmo ref_a.nmo || fail "(a) joined panels differ from one run"
cmp out_b.nmo ref_b.nmo || fail "(b) joined panels (a task without panels) differ from one run"
cmp out_c.dat whole.dat || fail "(c) joined moved-out gather differs from one run"
cmp out_f.picks ref_f.picks || fail "(f) joined picks differ from one run"
cmp out_d.dat ref_stack.dat || fail "(d) joined stack (a range reaching past the gather, a task without CDPs) differs from one run"
grep -q 'none of the 2 items; writing an empty part' "${RUNDIR[b]}/task-0002.log" || fail "(b) task 2 did not say it had no panel"
grep -q 'CDPs 1001-1001' "${RUNDIR[d]}/task-0000.log" || fail "(d) task 0 did not take the gather's first CDP"
grep -q 'none of the 2 items; writing an empty part' "${RUNDIR[d]}/task-0002.log" || fail "(d) task 2 did not say it had no CDP"

R="${RUNDIR[e]}"
expect_state "${ARRAY[e]}_0" COMPLETED "$R/task-0000.log"
expect_state "${ARRAY[e]}_1" COMPLETED "$R/task-0001.log"
expect_state "${ARRAY[e]}_2" FAILED "$R/task-0002.log"
expect_state "${JOIN[e]}" FAILED "$R/join.log"
[ ! -e out_e.dat ] || fail "(e) an output was written although a task failed"
grep -q "nmo.sh: task 2 failed with exit status 1" "$R/join.log" || fail "(e) the join did not name the failed task"
[ -s "$R/part-0000.dat" ] && [ -s "$R/part-0001.dat" ] || fail "(e) the parts were not kept"

# (e) mended: the failed task and the join run again, by hand, as the usage says.
cp gather.dat bad.dat
task=$(sbatch --parsable --array=2 --output="$R/task-%4a.log" "$SCRIPTS/nmo.sh" --task "$R") || fail "(e) re-run refused"
join=$(sbatch --parsable --dependency="afterany:$task" --output="$R/join.log" "$SCRIPTS/nmo.sh" --join "$R") ||
  fail "(e) join refused"
JOBS+=("$task" "$join")
wait_jobs 2 "$task" "$join"
expect_state "${task}_2" COMPLETED "$R/task-0002.log"
expect_state "$join" COMPLETED "$R/join.log"
cmp out_e.dat whole.dat || fail "(e) the output joined after the re-run differs from one run"
say "passed: every joined output is the file of one run; a failed task stopped its join until it was run again"
