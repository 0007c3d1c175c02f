#!/usr/bin/env bash
# Runs one golden case of the real binary and compares stdout and stderr byte for byte and the
# exit status. A case folder holds:
#   args             one argument per line (the data file is named relative to the folder)
#   expected.stdout  the exact bytes of standard output (absent: must be empty)
#   expected.stderr  the exact bytes of standard error (absent: must be empty)
#   expected.status  the exit status (absent: 0)
# and whatever input files the arguments name. The binary runs inside the folder as "dinc".
set -u
bin=$1
case_dir=$2

args=()
if [ -s "$case_dir/args" ]; then
  mapfile -t args <"$case_dir/args"
fi

want_status=0
[ -f "$case_dir/expected.status" ] && want_status=$(tr -d '[:space:]' <"$case_dir/expected.status")

out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

(cd "$case_dir" && exec -a dinc "$bin" "${args[@]}") >"$out" 2>"$err" </dev/null
status=$?

ok=1
check() {  # check <name> <actual file> <expected file or empty>
  local expected=$3
  [ -f "$expected" ] || expected=/dev/null
  if ! cmp -s "$2" "$expected"; then
    echo "$1 differs:"
    diff <(od -c "$expected") <(od -c "$2") | head -n 40
    ok=0
  fi
}
check stdout "$out" "$case_dir/expected.stdout"
check stderr "$err" "$case_dir/expected.stderr"
if [ "$status" != "$want_status" ]; then
  echo "exit status $status, expected $want_status"
  ok=0
fi
[ "$ok" = 1 ]
