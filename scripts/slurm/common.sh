# shellcheck shell=bash
# Shared part of the Slurm array-job scripts of this folder; sourced, not run.
#
# A run splits an ordered list of items (panel start CDPs, CDP numbers) among
# the N tasks of one Slurm array: task K (0-based) takes a contiguous share,
# the first (items mod N) tasks one item more, so that the shares in task order
# are the list in its order. A task may get no item at all (more tasks than
# items); it then writes an empty part. Task K writes its share to its part,
# RUN/part-K.EXT (K zero-padded to 4 digits), and its exit status to
# RUN/task-K.status. A join job, which Slurm starts once every task has ended
# (however it ended), checks that each task ended with status 0 and left its
# part, joins the parts in task order into the output through a temporary file
# in the output's folder that is renamed into place, and removes the parts. If
# any task failed the output is not touched and the parts are kept.
#
# RUN, the run folder, is made beside the output when the run is submitted:
#   run.env               what the jobs need, every path absolute; the jobs
#                         run in the folder the run was submitted from
#   part-K.EXT            the parts (removed by a successful join)
#   task-K.status         each task's exit status
#   task-K.log, join.log  what the jobs printed (kept)
#
# A script built on this file sets TSLY_SLURM_DIR (its own folder) and
# SLURM_SCRIPT (its name for messages), sources this file, defines
#   usage          prints its usage text
#   submit_args    parses the command line of a submission: sets RUN_OUTPUT
#                  (absolute), RUN_EXT (the parts' extension), RUN_COUNT (the
#                  number of items), RUN_INPUTS (the files the output must not
#                  replace), RUN_TASKS and RUN_FORCE when given, and whatever
#                  else its tasks need in RUN_* variables (absolute paths only);
#                  checks what can be checked before anything is submitted
#   run_share      FIRST COUNT PART: writes items FIRST..FIRST+COUNT-1
#                  (0-based, COUNT >= 1) to the file PART
#   join_parts     (optional) PART...: writes the joined output on stdout; the
#                  default is cat, right for files without a file header. A
#                  text output with a header line (a picks file: the header,
#                  then rows) writes the first header once and the rows of
#                  every part after it. The part of a task without items is an
#                  empty file (no header either), whatever the format.
# and ends with   slurm_main "$@".
#
# Inside a job the script Slurm runs is its own copy in the spool folder, so
# the scripts find this file through run.env (TSLY_SLURM_DIR), not through $0.

slurm_die() {
  echo "$SLURM_SCRIPT: $*" >&2
  exit 1
}

# The absolute form of a path (made absolute against the current folder; the
# path need not exist).
slurm_abs() {
  case "$1" in
    /*) printf '%s\n' "$1" ;;
    *) printf '%s\n' "$PWD/${1#./}" ;;
  esac
}

slurm_is_whole() { [[ "$1" =~ ^-?[0-9]+$ ]] && [ ${#1} -le 12 ]; }

# A whole number in decimal (leading zeros allowed, not octal).
slurm_int() {
  case "$1" in
    -*) echo $((-10#${1#-})) ;;
    *) echo $((10#$1)) ;;
  esac
}

# OPTVAL = the value of option $1, which is $2; refused when missing.
# Called with the rest of the command line: slurm_value "$@"
slurm_value() {
  [ $# -ge 2 ] && [ -n "$2" ] || slurm_die "$1 wants a value"
  OPTVAL="$2"
}

# --tasks N: a whole number from 1.
slurm_tasks_arg() {
  [[ "$1" =~ ^[0-9]+$ ]] && [ ${#1} -le 6 ] && [ "$1" -ge 1 ] || slurm_die "--tasks wants a whole number from 1 (got '$1')"
  RUN_TASKS=$((10#$1))
}

# A number as tsly reads one: digits with an optional sign, point and exponent.
slurm_is_number() { [[ "$1" =~ ^[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?$ ]]; }

# The tsly program the jobs run: $TSLY, else tsly on PATH, else the build tree's.
slurm_find_tsly() {
  local t="${TSLY:-}"
  if [ -z "$t" ]; then
    t=$(command -v tsly || true)
    [ -n "$t" ] || t="$TSLY_SLURM_DIR/../../build/apps/tsly/tsly"
  fi
  [ -f "$t" ] && [ -x "$t" ] || slurm_die "tsly not found at '$t' (set TSLY to the tsly program)"
  TSLY=$(slurm_abs "$t")
}

# Refuses an output that exists (unless --force), is a folder, is one of the
# given input files, or lies in a folder that does not exist.
slurm_check_output() {
  local out="$1" force="$2" f
  shift 2
  [ -d "$(dirname "$out")" ] || slurm_die "the folder of $out does not exist"
  [ ! -d "$out" ] || slurm_die "$out is a folder"
  for f in "$@"; do
    if [ "$out" -ef "$f" ]; then slurm_die "$out is an input of the run; choose another output"; fi
  done
  if [ -e "$out" ] && [ "$force" != 1 ]; then slurm_die "$out exists (use --force to overwrite it)"; fi
  return 0
}

# Share of task INDEX of TASKS in COUNT items: sets SHARE_FIRST, SHARE_COUNT.
slurm_share() {
  local count="$1" index="$2" tasks="$3"
  local base=$((count / tasks)) extra=$((count % tasks))
  if [ "$index" -lt "$extra" ]; then
    SHARE_COUNT=$((base + 1))
    SHARE_FIRST=$((index * (base + 1)))
  else
    SHARE_COUNT=$base
    SHARE_FIRST=$((extra * (base + 1) + (index - extra) * base))
  fi
}

slurm_part() { printf '%s/part-%04d.%s\n' "$1" "$2" "$RUN_EXT"; }
slurm_status_file() { printf '%s/task-%04d.status\n' "$1" "$2"; }

join_parts() { cat -- "$@"; }

# Writes RUN/run.env: TSLY, TSLY_SLURM_DIR and every RUN_* variable, as the
# shell reads them back.
slurm_write_env() {
  {
    printf '# Written by %s when the run was submitted; read by its jobs.\n' "$SLURM_SCRIPT"
    declare -p TSLY TSLY_SLURM_DIR $(compgen -v RUN_)
  } >"$1/run.env"
}

# Submission: the array of RUN_TASKS tasks, then the join that waits for all
# of them. Prints the job ids and the run folder.
slurm_submit() {
  command -v sbatch >/dev/null || slurm_die "sbatch not found (submit from a machine of the Slurm cluster)"
  local self name="tsly-${SLURM_SCRIPT%.sh}" run array join
  self="$TSLY_SLURM_DIR/$(basename "$0")"
  run=$(mktemp -d "$RUN_OUTPUT.run-XXXXXX") || slurm_die "can not make a run folder beside $RUN_OUTPUT"
  chmod "$(printf '%o' $((0777 & ~$(umask))))" "$run"
  slurm_write_env "$run"
  array=$(sbatch --parsable --array="0-$((RUN_TASKS - 1))" --job-name="$name" --chdir="$RUN_CWD" \
    --output="$run/task-%4a.log" "$self" --task "$run") || {
    rm -rf "$run"
    slurm_die "sbatch refused the array job; nothing submitted"
  }
  array="${array%%;*}"
  join=$(sbatch --parsable --dependency="afterany:$array" --kill-on-invalid-dep=yes --job-name="$name-join" \
    --chdir="$RUN_CWD" --output="$run/join.log" "$self" --join "$run") || {
    scancel "$array" || true
    slurm_die "sbatch refused the join job; array job $array cancelled (run folder $run)"
  }
  join="${join%%;*}"
  echo "$SLURM_SCRIPT: array job $array ($RUN_TASKS tasks), join job $join"
  echo "$SLURM_SCRIPT: output $RUN_OUTPUT, parts and logs in $run"
}

# One array task: its index from SLURM_ARRAY_TASK_ID, its share of the items
# from the number of tasks the run was split into (SLURM_ARRAY_TASK_COUNT when
# the whole array runs; a re-run of some tasks, --array=3,5, is a smaller array
# of the same run).
slurm_task() {
  local run="$1" id="${SLURM_ARRAY_TASK_ID:-}" count="${SLURM_ARRAY_TASK_COUNT:-}"
  slurm_is_whole "$id" || slurm_die "SLURM_ARRAY_TASK_ID is '$id'; run as a task of a Slurm array (sbatch --array)"
  slurm_is_whole "$count" || slurm_die "SLURM_ARRAY_TASK_COUNT is '$count'; run as a task of a Slurm array"
  [ "$id" -ge 0 ] && [ "$id" -lt "$RUN_TASKS" ] ||
    slurm_die "array task $id: the run in $run was split into tasks 0-$((RUN_TASKS - 1))"
  [ "$count" -le "$RUN_TASKS" ] ||
    slurm_die "the array has $count tasks; the run in $run was split into $RUN_TASKS"
  local part
  TASK_STATUS=$(slurm_status_file "$run" "$id")
  part=$(slurm_part "$run" "$id")
  rm -f "$TASK_STATUS"
  # The exit status is written whatever the end; a task killed outright
  # (SIGKILL) leaves none, which the join reports.
  trap 'slurm_end_task $?' EXIT
  trap 'exit 143' TERM
  trap 'exit 130' INT
  slurm_share "$RUN_COUNT" "$id" "$RUN_TASKS"
  if [ "$SHARE_COUNT" -eq 0 ]; then
    echo "task $id of $RUN_TASKS on $HOSTNAME: none of the $RUN_COUNT items; writing an empty part $part"
    : >"$part.tmp"
    mv -f "$part.tmp" "$part"
  else
    echo "task $id of $RUN_TASKS on $HOSTNAME: items $((SHARE_FIRST + 1))-$((SHARE_FIRST + SHARE_COUNT)) of $RUN_COUNT -> $part"
    run_share "$SHARE_FIRST" "$SHARE_COUNT" "$part"
  fi
}

slurm_end_task() {
  local rc="$1"
  echo "$rc" >"$TASK_STATUS.tmp" && mv -f "$TASK_STATUS.tmp" "$TASK_STATUS"
  [ "$rc" -eq 0 ] || echo "task ${SLURM_ARRAY_TASK_ID:-?}: failed with exit status $rc" >&2
  exit "$rc"
}

# The join: every task must have ended with status 0 and left its part.
slurm_join() {
  local run="$1" k rc status part bad=0 out="$RUN_OUTPUT"
  local parts=()
  for ((k = 0; k < RUN_TASKS; k++)); do
    status=$(slurm_status_file "$run" "$k")
    part=$(slurm_part "$run" "$k")
    if [ ! -f "$status" ]; then
      echo "$SLURM_SCRIPT: task $k did not finish (no $status; see $run/$(printf 'task-%04d.log' "$k"))" >&2
      bad=1
    elif rc=$(cat "$status") && [ "$rc" != 0 ]; then
      echo "$SLURM_SCRIPT: task $k failed with exit status $rc (see $run/$(printf 'task-%04d.log' "$k"))" >&2
      bad=1
    elif [ ! -f "$part" ]; then
      echo "$SLURM_SCRIPT: task $k left no part ($part)" >&2
      bad=1
    fi
    parts+=("$part")
  done
  [ "$bad" = 0 ] || slurm_die "nothing joined; $out not written (the parts are kept in $run)"
  # An output name that is a symbolic link is written through to its file, as tsly does.
  if [ -L "$out" ]; then out=$(readlink -f "$out"); fi
  (slurm_check_output "$out" "$RUN_FORCE" "${RUN_INPUTS[@]}") || slurm_die "the parts are kept in $run"
  JOIN_TMP=$(mktemp "$out.tmp-XXXXXX") || slurm_die "can not write in the folder of $out"
  trap 'rm -f "$JOIN_TMP"' EXIT
  trap 'exit 143' TERM
  trap 'exit 130' INT
  join_parts "${parts[@]}" >"$JOIN_TMP" || slurm_die "joining the parts into $out failed; the parts are kept in $run"
  chmod "$(printf '%o' $((0666 & ~$(umask))))" "$JOIN_TMP"
  sync "$JOIN_TMP" || slurm_die "flushing $out to disk failed; the parts are kept in $run"
  mv -f "$JOIN_TMP" "$out" || slurm_die "can not rename the joined file onto $out; the parts are kept in $run"
  trap - EXIT
  rm -f "${parts[@]}"
  echo "$SLURM_SCRIPT: joined $RUN_TASKS parts into $out ($(stat -c %s "$out") bytes)"
}

slurm_main() {
  case "${1:-}" in
    --task)
      [ $# -eq 2 ] || slurm_die "--task wants the run folder only"
      cd "$RUN_CWD" || slurm_die "can not enter $RUN_CWD, the folder the run was submitted from"
      slurm_task "$2"
      ;;
    --join)
      [ $# -eq 2 ] || slurm_die "--join wants the run folder only"
      cd "$RUN_CWD" || slurm_die "can not enter $RUN_CWD, the folder the run was submitted from"
      slurm_join "$2"
      ;;
    -h | --help)
      usage
      ;;
    "")
      usage >&2
      exit 2
      ;;
    *)
      unset $(compgen -v RUN_)
      RUN_TASKS=8
      RUN_FORCE=0
      RUN_INPUTS=()
      RUN_CWD="$PWD"
      submit_args "$@"
      [ "$RUN_TASKS" -ge 1 ] || slurm_die "--tasks must be 1 or more"
      slurm_check_output "$RUN_OUTPUT" "$RUN_FORCE" "${RUN_INPUTS[@]}"
      slurm_find_tsly
      slurm_submit
      ;;
  esac
}
