#!/usr/bin/env bash
# A VELF job deck run by a Slurm array: the CDPs of the gather within the
# range are shared out in contiguous runs, one per task, each task runs `tsly
# nmo --deck` over its CDPs into a numbered part, and a join job joins the parts
# in order into the output, byte for byte the file one run over the whole
# range writes. Run `nmo.sh --help` for the usage.
set -euo pipefail
case "${1:-}" in
  # In a job this file is Slurm's copy of the script: the run folder says where
  # the scripts are.
  --task | --join) . "${2:?the run folder}/run.env" ;;
  *) TSLY_SLURM_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd) ;;
esac
SLURM_SCRIPT=nmo.sh
. "$TSLY_SLURM_DIR/common.sh"

usage() {
  cat <<'EOF'
Usage: scripts/slurm/nmo.sh [--tasks N] [--force] [--stack] --deck DECK --cdps FIRST-LAST --output OUT

Submits, from a machine of a Slurm cluster, an array of N tasks (default 8)
that run `tsly nmo --deck DECK [--stack]` (see `tsly nmo --help`) over the CDPs
FIRST to LAST, and a join job that writes OUT once every task has ended. The
CDPs the gather holds within FIRST-LAST (listed when the run is submitted, by
`tsly nmo --list-cdps`) are shared out among the N tasks in order, each task a
run of consecutive ones (the first tasks one CDP more when N does not divide
their number); a task left without CDPs (more tasks than CDPs) writes an empty
part without running tsly. A range holding no CDP of the gather is refused
before anything is submitted. OUT is refused if it exists, unless --force
(checked again by the join), and may be neither the deck nor the gather its
*INPF line names.

Relative names are made absolute before submission; the jobs run in the
current folder, so the names inside the deck (*INPF) are taken relative to it,
as `tsly nmo` run here would take them. That folder, DECK, the gather, OUT's
folder, tsly and this folder must be visible to the compute nodes. Prints the
two job ids and the run folder OUT.run-XXXXXX (parts, run.env, each task's log
task-K.log and join.log); the join removes the parts when it has written OUT
and keeps the logs. If a task fails the join leaves OUT alone and says which
task; after mending, re-run that task and then the join:
  job=$(sbatch --parsable --array=K --output=RUN/task-%4a.log scripts/slurm/nmo.sh --task RUN)
  sbatch --dependency=afterany:$job --output=RUN/join.log scripts/slurm/nmo.sh --join RUN

Environment:
  TSLY          the tsly program (default: tsly on PATH, else build/apps/tsly/tsly)
  SBATCH_*      sbatch's own options for both jobs (SBATCH_PARTITION,
                SBATCH_ACCOUNT, SBATCH_TIMELIMIT, ...)
  In the jobs (set by Slurm): SLURM_ARRAY_TASK_ID, SLURM_ARRAY_TASK_COUNT.
EOF
}

submit_args() {
  local deck="" cdps="" out="" input
  RUN_STACK=()
  while [ $# -gt 0 ]; do
    case "$1" in
      --tasks) slurm_value "$@"; slurm_tasks_arg "$OPTVAL"; shift ;;
      --force) RUN_FORCE=1 ;;
      --stack) RUN_STACK=(--stack) ;;
      --deck) slurm_value "$@"; deck="$OPTVAL"; shift ;;
      --cdps) slurm_value "$@"; cdps="$OPTVAL"; shift ;;
      --output) slurm_value "$@"; out="$OPTVAL"; shift ;;
      --*=*) set -- "${1%%=*}" "${1#*=}" "${@:2}"; continue ;;
      *) slurm_die "unknown argument $1 (see --help)" ;;
    esac
    shift
  done
  [ -n "$deck" ] || slurm_die "--deck is required"
  [ -n "$cdps" ] || slurm_die "--cdps FIRST-LAST is required"
  [ -n "$out" ] || slurm_die "--output is required (one file for the joined parts)"
  if [[ "$cdps" =~ ^(-?[0-9]{1,6})-(-?[0-9]{1,6})$ ]]; then
    RUN_FIRST=$(slurm_int "${BASH_REMATCH[1]}")
    RUN_LAST=$(slurm_int "${BASH_REMATCH[2]}")
  elif [[ "$cdps" =~ ^-?[0-9]{1,6}$ ]]; then
    RUN_FIRST=$(slurm_int "$cdps")
    RUN_LAST=$RUN_FIRST
  else
    RUN_FIRST=1 RUN_LAST=0
  fi
  [ "$RUN_FIRST" -ge -32768 ] && [ "$RUN_LAST" -le 32767 ] && [ "$RUN_FIRST" -le "$RUN_LAST" ] ||
    slurm_die "--cdps wants FIRST-LAST, whole numbers from -32768 to 32767 with FIRST <= LAST (got '$cdps')"
  RUN_DECK=$(slurm_abs "$deck")
  RUN_OUTPUT=$(slurm_abs "$out")
  [ -f "$RUN_DECK" ] && [ -r "$RUN_DECK" ] || slurm_die "$RUN_DECK: the deck can not be read"
  RUN_INPUTS=("$RUN_DECK")
  # The gather the deck names (the *INPF line, as tsly reads it), relative to
  # the folder the jobs run in.
  input=$(sed -n 's/\r$//; s/^\*INPF //p' "$RUN_DECK" | head -n 1)
  [ -z "$input" ] || RUN_INPUTS+=("$(slurm_abs "$input")")
  # The CDPs the run will take: the tasks share these (a range of CDP numbers
  # may hold gaps, or none of the gather's CDPs at all: refused here).
  slurm_find_tsly
  local listed
  listed=$("$TSLY" nmo --deck "$RUN_DECK" --cdps "$RUN_FIRST-$RUN_LAST" --list-cdps) ||
    slurm_die "nothing submitted (tsly says why above)"
  mapfile -t RUN_CDPS <<<"$listed"
  RUN_COUNT=${#RUN_CDPS[@]}
  RUN_EXT=dat
}

run_share() {
  local first=${RUN_CDPS[$1]} last=${RUN_CDPS[$(($1 + $2 - 1))]} part="$3"
  echo "CDPs $first-$last"
  "$TSLY" nmo --deck "$RUN_DECK" "${RUN_STACK[@]}" --cdps "$first-$last" --output "$part" --force
}

slurm_main "$@"
