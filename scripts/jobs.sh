#!/usr/bin/env bash
# The number of jobs the build and the tests run at once: JOBS when set, else the machine's
# cores; sourced by scripts/deps.sh. A JOBS that is not a whole number of 1 or more stops the
# calling script before anything is installed or built.
if [ -n "${JOBS+set}" ]; then
  korim_jobs=""
  [[ "$JOBS" =~ ^[0-9]+$ ]] && korim_jobs=$(printf '%s\n' "$JOBS" | sed 's/^0*//')
  if [ -z "$korim_jobs" ]; then
    echo "korim: JOBS='$JOBS' is not a whole number of 1 or more (the jobs to build and test with)." >&2
    exit 1
  fi
else
  korim_jobs=$(nproc 2>/dev/null || echo 2)
fi
