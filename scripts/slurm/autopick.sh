#!/usr/bin/env bash
# The automatic first pass run by a Slurm array: the CDPs of the gather within
# the range are shared out in contiguous runs, one per task, each task runs
# `tsly autopick` over its CDPs into a numbered picks file, and a join job joins
# them in order into the output, byte for byte the picks file one run over the
# whole range writes. Run `autopick.sh --help` for the usage.
set -euo pipefail
case "${1:-}" in
  --task | --join) . "${2:?the run folder}/run.env" ;;
  *) TSLY_SLURM_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd) ;;
esac
SLURM_SCRIPT=autopick.sh
. "$TSLY_SLURM_DIR/common.sh"

usage() {
  cat <<'EOF'
Usage: scripts/slurm/autopick.sh [--tasks N] [--force] [--vmin V --vmax V --dv V] --cdps FIRST-LAST GATHER OUT

Submits, from a machine of a Slurm cluster, an array of N tasks (default 8)
that run `tsly autopick GATHER` (see `tsly autopick --help`) over the CDPs
FIRST to LAST, and a join job that writes the picks file OUT once every task
has ended. The CDPs the gather holds within FIRST-LAST (listed when the run is
submitted, by `tsly autopick --list-cdps`) are shared out among the N tasks in
order, each task a run of consecutive ones; a task left without CDPs writes an
empty part. A CDP's picks depend only on itself and its neighbours, which a
task reads even beyond its range, so the joined file is the one a single run
writes: the first part whole, the header line of the others left out. A range
holding no CDP of the gather is refused before anything is submitted. OUT is
refused if it exists, unless --force, and may not be the gather.

Relative names are made absolute before submission. GATHER, OUT's folder, tsly
and this folder must be visible to the compute nodes. Prints the two job ids
and the run folder OUT.run-XXXXXX (parts, run.env, logs); a failed task is
re-run, then the join, as for nmo.sh (see its --help).

Environment:
  TSLY          the tsly program (default: tsly on PATH, else build/apps/tsly/tsly)
  SBATCH_*      sbatch's own options for both jobs
  In the jobs (set by Slurm): SLURM_ARRAY_TASK_ID, SLURM_ARRAY_TASK_COUNT.
EOF
}

submit_args() {
  local cdps="" files=()
  RUN_VELOCITIES=()
  while [ $# -gt 0 ]; do
    case "$1" in
      --tasks) slurm_value "$@"; slurm_tasks_arg "$OPTVAL"; shift ;;
      --force) RUN_FORCE=1 ;;
      --vmin | --vmax | --dv)
        slurm_value "$@"
        slurm_is_number "$OPTVAL" || slurm_die "$1 wants a number (got '$OPTVAL')"
        RUN_VELOCITIES+=("$1" "$OPTVAL")
        shift ;;
      --cdps) slurm_value "$@"; cdps="$OPTVAL"; shift ;;
      --*=*) set -- "${1%%=*}" "${1#*=}" "${@:2}"; continue ;;
      --*) slurm_die "unknown argument $1 (see --help)" ;;
      *) files+=("$1") ;;
    esac
    shift
  done
  [ ${#files[@]} -eq 2 ] || slurm_die "give the gather and the picks file to write (see --help)"
  [ -n "$cdps" ] || slurm_die "--cdps FIRST-LAST is required"
  RUN_GATHER=$(slurm_abs "${files[0]}")
  RUN_OUTPUT=$(slurm_abs "${files[1]}")
  RUN_INPUTS=("$RUN_GATHER")
  slurm_find_tsly
  local listed
  # tsly checks the range, the gather and the velocities, and lists the CDPs.
  listed=$("$TSLY" autopick "$RUN_GATHER" --output "$RUN_OUTPUT" --cdps "$cdps" "${RUN_VELOCITIES[@]}" --list-cdps) ||
    slurm_die "nothing submitted (tsly says why above)"
  mapfile -t RUN_CDPS <<<"$listed"
  RUN_COUNT=${#RUN_CDPS[@]}
  RUN_EXT=picks
}

run_share() {
  local first=${RUN_CDPS[$1]} last=${RUN_CDPS[$(($1 + $2 - 1))]} part="$3"
  echo "CDPs $first-$last"
  "$TSLY" autopick "$RUN_GATHER" --output "$part" --cdps "$first-$last" "${RUN_VELOCITIES[@]}" --force
}

# The first non-empty part whole, the others without their header line.
join_parts() {
  local p header=1
  for p in "$@"; do
    [ -s "$p" ] || continue
    if [ "$header" = 1 ]; then
      cat -- "$p"
      header=0
    else
      tail -n +2 -- "$p"
    fi
  done
}

slurm_main "$@"
