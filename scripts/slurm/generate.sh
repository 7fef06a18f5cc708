#!/usr/bin/env bash
# Velocity-scan panels of a large gather made by a Slurm array: the panels
# (their start CDPs, in the order given) are shared among the tasks, each task
# runs `tsly generate` for its panels into a numbered part, and a join job
# joins the parts in order into OUT, byte for byte the file one run over all
# panels writes. Run `generate.sh --help` for the usage.
set -euo pipefail
case "${1:-}" in
  # In a job this file is Slurm's copy of the script: the run folder says where
  # the scripts are.
  --task | --join) . "${2:?the run folder}/run.env" ;;
  *) TSLY_SLURM_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd) ;;
esac
SLURM_SCRIPT=generate.sh
. "$TSLY_SLURM_DIR/common.sh"

usage() {
  cat <<'EOF'
Usage: scripts/slurm/generate.sh [--tasks N] [--force] GATHER OUT --start-cdps C1,C2,... --velocities V1,V2,...
                                 [--cdps-per-panel N] [--stretch S] [--length-ms L] [--no-stack]

Submits, from a machine of a Slurm cluster, an array of N tasks (default 8)
that make the velocity-scan panels of `tsly generate GATHER OUT ...` (same
options, see `tsly generate --help`), and a join job that writes OUT once every
task has ended. The start CDPs are shared among the tasks in the order given
(the first tasks one more when they do not divide evenly; a task with none
writes an empty part). OUT is byte for byte the file of one run as long as
the first panel of each task holds traces. OUT is refused if it exists, unless
--force (checked again by the join), and may not be GATHER.

Relative names are made absolute before submission; the jobs run in the
current folder, which must be visible to the compute nodes, as must GATHER,
OUT's folder, tsly and this folder. Prints the two job ids and the run folder
OUT.run-XXXXXX (parts, run.env, each task's log task-K.log and join.log); the
join removes the parts when it has written OUT and keeps the logs. If a task
fails the join leaves OUT alone and says which task; after mending, re-run
that task and then the join:
  job=$(sbatch --parsable --array=K --output=RUN/task-%4a.log scripts/slurm/generate.sh --task RUN)
  sbatch --dependency=afterany:$job --output=RUN/join.log scripts/slurm/generate.sh --join RUN

Environment:
  TSLY          the tsly program (default: tsly on PATH, else build/apps/tsly/tsly)
  SBATCH_*      sbatch's own options for both jobs (SBATCH_PARTITION,
                SBATCH_ACCOUNT, SBATCH_TIMELIMIT, ...)
  In the jobs (set by Slurm): SLURM_ARRAY_TASK_ID, SLURM_ARRAY_TASK_COUNT.
EOF
}

submit_args() {
  local starts="" velocities="" pos=() v vels
  RUN_OPTIONS=()
  while [ $# -gt 0 ]; do
    case "$1" in
      --tasks) slurm_value "$@"; slurm_tasks_arg "$OPTVAL"; shift ;;
      --force) RUN_FORCE=1 ;;
      --start-cdps) slurm_value "$@"; starts="$OPTVAL"; shift ;;
      --velocities) slurm_value "$@"; velocities="$OPTVAL"; shift ;;
      --cdps-per-panel | --stretch | --length-ms) slurm_value "$@"; RUN_OPTIONS+=("$1" "$OPTVAL"); shift ;;
      --no-stack) RUN_OPTIONS+=("$1") ;;
      --*=*) set -- "${1%%=*}" "${1#*=}" "${@:2}"; continue ;;
      -*) slurm_die "unknown option $1 (see --help)" ;;
      *) pos+=("$1") ;;
    esac
    shift
  done
  [ ${#pos[@]} -eq 2 ] || slurm_die "wants GATHER and OUT (see --help)"
  [ -n "$starts" ] || slurm_die "--start-cdps is required"
  [ -n "$velocities" ] || slurm_die "--velocities is required"
  RUN_GATHER=$(slurm_abs "${pos[0]}")
  RUN_OUTPUT=$(slurm_abs "${pos[1]}")
  [ -f "$RUN_GATHER" ] && [ -r "$RUN_GATHER" ] || slurm_die "$RUN_GATHER can not be read"
  RUN_INPUTS=("$RUN_GATHER")
  RUN_VELOCITIES="$velocities"
  IFS=, read -r -a RUN_STARTS <<<"$starts,"
  for v in "${RUN_STARTS[@]}"; do
    slurm_is_number "$v" || slurm_die "--start-cdps: '$v' is not a number"
  done
  IFS=, read -r -a vels <<<"$velocities,"
  for v in "${vels[@]}"; do
    slurm_is_number "$v" || slurm_die "--velocities: '$v' is not a number"
  done
  # tsly refuses a start CDP given twice, but only within one task's share.
  local twice
  twice=$(printf '%s\n' "${RUN_STARTS[@]}" | awk '{ v = $1 + 0; if (v in seen) { print "entries " seen[v] " and " NR; exit } seen[v] = NR }')
  [ -z "$twice" ] || slurm_die "--start-cdps: the same start CDP twice ($twice)"
  RUN_COUNT=${#RUN_STARTS[@]}
  RUN_EXT=nmo
}

run_share() {
  local first="$1" count="$2" part="$3" list
  list=$(IFS=,; echo "${RUN_STARTS[*]:first:count}")
  echo "start CDPs $list"
  "$TSLY" generate "$RUN_GATHER" "$part" --start-cdps "$list" --velocities "$RUN_VELOCITIES" \
    "${RUN_OPTIONS[@]}" --force
}

slurm_main "$@"
