# Sourced by the bench scripts, after they have made their throw-away folder $work: one way to time a
# command, with GNU time.
#   timed CMD...              runs CMD, its output to /dev/null and its standard error to $work/stderr;
#                             sets timed_status, timed_wall and timed_cpu (seconds, user and system) and
#                             timed_mb (peak resident memory)
#   best_of RUNS PREPARE CMD...  the best wall-clock time of RUNS runs of CMD, with PREPARE run before each
#   ratio A B                 A / B to two places

timed() {
    timed_status=0
    local start end user system kilobytes
    start=$(date +%s.%N)
    /usr/bin/time -f '%U %S %M' -o "$work/time" "$@" >/dev/null 2>"$work/stderr" || timed_status=$?
    end=$(date +%s.%N)
    timed_wall=$(printf '%.3f' "$(echo "$end - $start" | bc)")
    read -r user system kilobytes < <(tail -n 1 "$work/time")
    timed_cpu=$(echo "$user + $system" | bc)
    timed_mb=$((kilobytes / 1024))
}

best_of() {
    local runs=$1 prepare=$2
    shift 2
    local best=""
    for _ in $(seq 1 "$runs"); do
        $prepare
        timed "$@"
        if [ -z "$best" ] || [ "$(echo "$timed_wall < $best" | bc)" -eq 1 ]; then
            best=$timed_wall
        fi
    done
    echo "$best"
}

ratio() {
    echo "scale=2; $1 / $2" | bc
}
