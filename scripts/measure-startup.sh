#!/usr/bin/env bash
# Start-up time and memory of Pelmora beside GNOME To Do, on a private X server.
#
#   scripts/measure-startup.sh [--install-comparison] [build-dir] [runs]
#
# For each subject: `runs` starts from exec to the first top-level window mapped (timed by
# xev on the root window), then `runs` instances side by side whose resident memory is read
# a minute after they start. Subjects: Pelmora with its sample data, Pelmora with a store of
# 10,000 tasks and with one of 50,000 tasks (each with 9,000 other records), and GNOME To Do
# when it is installed (--install-comparison installs it with apt-get first). Then the ratios
# against GNOME To Do's warm start, and the idle wake-ups of Pelmora with its window hidden
# over two minutes.
# Needs xvfb, x11-utils (xev), xdotool, strace, dbus; gnome-todo for the comparison.
set -euo pipefail

if [ "${1:-}" = "--install-comparison" ]; then
  shift
  if ! command -v gnome-todo >/dev/null 2>&1; then
    sudo=$([ "$(id -u)" = 0 ] || echo sudo)
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq gnome-todo >/dev/null
  fi
fi

build=$(realpath "${1:-build}")
runs=${2:-10}
pelmora="$build/app/pelmora"
here=$(dirname "$(realpath "$0")")

if [ -z "${PELMORA_IN_MEASURE_SESSION:-}" ]; then
  export PELMORA_IN_MEASURE_SESSION=1
  exec dbus-run-session -- "$0" "$@"
fi

root=$(mktemp -d /tmp/pelmora-measure.XXXXXX)
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$root"
}
trap cleanup EXIT

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
export XDG_SESSION_TYPE=x11 GDK_BACKEND=x11

# A home of its own per subject, so stores, settings and instance locks never meet.
make_home() {  # name
  local home="$root/$1"
  mkdir -p "$home/data" "$home/config" "$home/cache" "$home/run"
  chmod 700 "$home/run"
  echo "$home"
}

# The environment of a home, as arguments for env(1).
home_env() {  # home
  echo "HOME=$1 XDG_DATA_HOME=$1/data XDG_CONFIG_HOME=$1/config XDG_CACHE_HOME=$1/cache XDG_RUNTIME_DIR=$1/run"
}

# Milliseconds from exec to the first MapNotify of a new top-level window.
time_to_map() {  # home command...
  local home=$1
  shift
  local log="$root/xev.$$.$RANDOM"
  stdbuf -oL xev -root -event substructure >"$log" 2>/dev/null &
  local xev_pid=$!
  sleep 0.3
  local start end pid
  start=$(date +%s%N)
  # shellcheck disable=SC2046
  env $(home_env "$home") "$@" >/dev/null 2>&1 &
  pid=$!
  end=""
  for _ in $(seq 3000); do
    if grep -q '^MapNotify' "$log"; then end=$(date +%s%N); break; fi
    sleep 0.002
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  kill "$xev_pid" 2>/dev/null || true
  wait "$xev_pid" 2>/dev/null || true
  rm -f "$log"
  [ -n "$end" ] && echo $(((end - start) / 1000000)) || echo "timeout"
}

# Median, minimum and maximum of the numbers on stdin.
stats() {
  sort -n | awk '{v[NR]=$1} END {if (NR==0) {print "n/a"; exit}
    m = (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2;
    printf "median %s, min %s, max %s (n=%d)", m, v[1], v[NR], NR}'
}

# Resident memory in MB of `runs` instances a minute after their start, each in its own home
# (and, for single-instance D-Bus apps, its own bus).
memory_after_a_minute() {  # prepare-function command...
  local prepare=$1
  shift
  local pids=() i home
  for i in $(seq "$runs"); do
    home=$(make_home "mem-$prepare-$i")
    "$prepare" "$home"
    # shellcheck disable=SC2046
    env $(home_env "$home") dbus-run-session -- "$@" >/dev/null 2>&1 &
    pids+=($!)
  done
  sleep 60
  for pid in "${pids[@]}"; do
    # The app is the youngest process under its dbus-run-session besides the bus daemon.
    local app
    app=$(pgrep -P "$pid" | while read -r c; do
      [ "$(cat /proc/"$c"/comm)" != dbus-daemon ] && echo "$c"; done | head -1)
    [ -n "$app" ] && awk '/VmRSS/ {printf "%.1f\n", $2 / 1024}' /proc/"$app"/status
  done
  for pid in "${pids[@]}"; do pkill -TERM -P "$pid" 2>/dev/null || true; kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}

# The median alone.
median() {
  sort -n | awk '{v[NR]=$1} END {if (NR==0) {print ""; exit}
    print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'
}

prepare_sample() { :; }
for tasks in 10000 50000; do
  "$build/bench/bench_DataStore" --write-large-store "$root/large-$tasks/Pelmora" "$tasks" >/dev/null
done
prepare_10k() { cp -r "$root/large-10000/Pelmora" "$1/data/"; }
prepare_50k() { cp -r "$root/large-50000/Pelmora" "$1/data/"; }

# Prints the subject's figures; sets median_ms and median_mb.
median_ms="" median_mb=""
report() {  # label prepare command...
  local label=$1 prepare=$2
  shift 2
  local times=() i home memory
  for i in $(seq "$runs"); do
    home=$(make_home "time-$prepare-$i")
    "$prepare" "$home"
    times+=("$(time_to_map "$home" "$@")")
  done
  memory=$(memory_after_a_minute "$prepare" "$@")
  echo "$label"
  echo "  exec to window mapped (ms): $(printf '%s\n' "${times[@]}" | grep -v timeout | stats)"
  echo "  resident memory after 60 s (MB): $(echo "$memory" | stats)"
  median_ms=$(printf '%s\n' "${times[@]}" | grep -v timeout | median)
  median_mb=$(echo "$memory" | median)
}

ratio() {  # ours theirs
  [ -n "$1" ] && [ -n "$2" ] && awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2fx", a / b}' || echo "n/a"
}

report "Pelmora, sample data" prepare_sample "$pelmora"
sample_ms=$median_ms
report "Pelmora, 10,000 tasks and 9,000 other records" prepare_10k "$pelmora"
large_ms=$median_ms large_mb=$median_mb
report "Pelmora, 50,000 tasks and 9,000 other records" prepare_50k "$pelmora"
huge_ms=$median_ms
if command -v gnome-todo >/dev/null 2>&1; then
  # Its warm start: one start first, so its caches are made, as they are on a desktop.
  warm=$(make_home warm-todo)
  time_to_map "$warm" gnome-todo >/dev/null
  report "GNOME To Do" prepare_sample gnome-todo
  echo "Against GNOME To Do (start to window mapped, medians; goals in brackets)"
  echo "  sample data: $(ratio "$sample_ms" "$median_ms") (at most 0.25x)"
  echo "  10,000 tasks: $(ratio "$large_ms" "$median_ms") (at most 0.5x)"
  echo "  50,000 tasks: $(ratio "$huge_ms" "$median_ms") (at most 1x)"
  echo "  resident memory at 10,000 tasks: $(ratio "$large_mb" "$median_mb") (at most 0.5x)"
else
  echo "GNOME To Do is not installed: no ratios (--install-comparison installs it)."
fi

# Idle: the main window hidden, no timer running; every wake-up is a syscall that returns
# from waiting (poll, ppoll, epoll_wait, futex with a timeout).
home=$(make_home idle)
# shellcheck disable=SC2046
env $(home_env "$home") "$pelmora" >/dev/null 2>&1 &
idle_pid=$!
for _ in $(seq 100); do
  win=$(xdotool search --onlyvisible --name '^Pelmora$' 2>/dev/null | head -1 || true)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "${win:-}" ] && xdotool windowunmap "$win"
sleep 5
strace -f -qq -c -e trace=poll,ppoll,epoll_wait,select,pselect6,futex,nanosleep,clock_nanosleep \
  -p "$idle_pid" -o "$root/idle.strace" &
strace_pid=$!
sleep 120
kill -INT "$strace_pid" 2>/dev/null || true
wait "$strace_pid" 2>/dev/null || true
echo "Pelmora idle for 120 s, window hidden: waiting syscalls (calls per kind)"
sed -n '1,20p' "$root/idle.strace"
kill "$idle_pid" 2>/dev/null || true
wait "$idle_pid" 2>/dev/null || true
