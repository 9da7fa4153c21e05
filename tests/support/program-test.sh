# Shared by the script tests that run the real program on a private bus:
# a work folder removed at the end with every process in `pids`, the user's
# own settings out of reach, and the check and wait helpers. Source it; a
# script that runs one program at a time may keep its process in `pid`.
work=$(mktemp -d)
pids=()
pid=""
cleanup() {
  for p in "${pids[@]}" $pid; do kill -9 "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$work/run
# The user's own volume, associations and configuration stay untouched.
export HOME=$work/home XDG_STATE_HOME=$work/state XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
mkdir -p "$work/run" && chmod 700 "$work/run"
passed=0 failed=0
check() {  # check <what> <expected> <actual>
  if [ "$2" == "$3" ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $1: expected '$2', got '$3'"; fi
}
# Waits until `cmd` prints `want` (at most 5 s); prints what it printed last.
wait_for() {
  local want=$1; shift
  local got=""
  for _ in $(seq 50); do
    got=$("$@" 2>/dev/null)
    [ "$got" == "$want" ] && break
    sleep 0.1
  done
  echo "$got"
}
