#!/usr/bin/env bash
# Times a pgdump2pl converter on generated crawler dumps, with cat on the same
# file as the floor: cat reads and writes the same bytes and does nothing else.
#
#   bench/run-bench.sh CONVERTER GENERATOR [SIZE_MB ...]      (default: 3 30 300)
#
# CONVERTER is run as `CONVERTER dump.sql facts.pl`; GENERATOR is
# pgdump2pl-gen-dump (SEED SIZE_BYTES OUT_PATH, "rows=N bytes=M" on stderr).
# SIZE_MB may be fractional; 1 MB = 10^6 bytes.
# Environment: BENCH_RUNS (default 5) timed runs per size, BENCH_STARTUP_RUNS
# (default 20) runs on the one-row dump, TMPDIR where the dumps are written.
set -euo pipefail

prog=${0##*/}
die() {
    echo "$prog: $*" >&2
    exit 1
}

if [[ $# -lt 2 ]]; then
    echo "usage: $prog CONVERTER GENERATOR [SIZE_MB ...]" >&2
    exit 2
fi
converter=$1
generator=$2
shift 2
sizes=("$@")
[[ ${#sizes[@]} -gt 0 ]] || sizes=(3 30 300)
runs=${BENCH_RUNS:-5}
startup_runs=${BENCH_STARTUP_RUNS:-20}

[[ $runs =~ ^[1-9][0-9]*$ ]] || die "BENCH_RUNS must be a positive integer, not '$runs'"
[[ $startup_runs =~ ^[1-9][0-9]*$ ]] ||
    die "BENCH_STARTUP_RUNS must be a positive integer, not '$startup_runs'"
for size in "${sizes[@]}"; do
    [[ $size =~ ^([0-9]+\.?[0-9]*|\.[0-9]+)$ ]] || die "size '$size' is not a number of MB"
done
command -v -- "$converter" >/dev/null || die "converter '$converter' not found"
command -v -- "$generator" >/dev/null || die "generator '$generator' not found"
[[ -x /usr/bin/time ]] || die "/usr/bin/time is needed for peak RSS (Debian package 'time')"

work=$(mktemp -d "${TMPDIR:-/tmp}/pgdump2pl-bench.XXXXXX")
trap 'rm -rf -- "$work"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# timed RSS_FILE CMD [ARG...]: runs CMD under /usr/bin/time, leaving the wall
# time in microseconds in $elapsed_us and the peak RSS (KiB) in RSS_FILE.
# Both cat and the converter go through here so they pay the same overhead.
# EPOCHREALTIME is read without forking; its decimal point depends on the locale.
timed() {
    local rss_file=$1 t0 t1 status=0
    shift
    t0=${EPOCHREALTIME//[!0-9]/}
    /usr/bin/time -f %M -o "$rss_file" "$@" 2>"$work/stderr" || status=$?
    t1=${EPOCHREALTIME//[!0-9]/}
    if [[ $status -ne 0 ]]; then
        echo "$prog: '$*' exited with status $status; its stderr ends with:" >&2
        tail -n 5 "$work/stderr" >&2
        exit 1
    fi
    elapsed_us=$((t1 - t0))
}

# median VALUE...: the middle value (mean of the two middle ones for an even count).
median() {
    printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1}
        END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

dump=$work/dump.sql
copy=$work/copy.sql
facts=$work/facts.pl

echo "# pgdump2pl benchmark: $converter vs cat, dumps from $generator (seed 1)"
echo "# host: $(nproc) CPUs, $(uname -sr); 1 MB = 10^6 bytes"
echo "# Each dump is generated once and read once to warm the page cache, then"
echo "# $runs rounds alternate 'cat dump.sql > copy.sql' and 'converter dump.sql facts.pl'."
echo "# Seconds are medians of the $runs wall-clock runs; conv/cat divides the two medians"
echo "# of the same rounds; MB/s and rows/s use the converter median; RSS is the"
echo "# converter's largest peak resident set over the runs (/usr/bin/time %M)."

# Start-up cost: a one-row dump, so nearly all the time is exec, set-up and exit.
printf '%s\n' '--' '-- PostgreSQL database dump' '--' '' \
    "SET client_encoding = 'UTF8';" '' \
    'COPY public.sites (url, id) FROM stdin;' \
    "$(printf 'https://www.example.org/\t1')" '\.' '' >"$work/tiny.sql"
conv_us=()
cat_us=()
for ((i = 0; i < startup_runs; i++)); do
    rm -f -- "$copy" "$facts"
    timed "$work/rss" cat "$work/tiny.sql" >"$copy"
    cat_us+=("$elapsed_us")
    timed "$work/rss" "$converter" "$work/tiny.sql" "$facts" >/dev/null
    conv_us+=("$elapsed_us")
done
awk -v n="$startup_runs" -v c="$(median "${conv_us[@]}")" -v k="$(median "${cat_us[@]}")" \
    'BEGIN {printf "# start-up (1-row dump, median of %d): converter %.4f s, cat %.4f s\n",
            n, c / 1e6, k / 1e6}'

printf '%9s %10s %9s %8s %11s %9s %8s %8s\n' \
    size_MB rows conv_s MB/s rows/s cat_s conv/cat rss_MiB
for size in "${sizes[@]}"; do
    bytes=$(awk -v mb="$size" 'BEGIN {printf "%.0f", mb * 1e6}')
    "$generator" 1 "$bytes" "$dump" 2>"$work/gen.err" ||
        die "generator failed: $(tail -n 3 "$work/gen.err")"
    rows=$(sed -n 's/^rows=\([0-9]*\) bytes=[0-9]*$/\1/p' "$work/gen.err")
    [[ -n $rows ]] || die "no 'rows=N bytes=M' line from the generator"
    dump_bytes=$(stat -c %s -- "$dump")
    cat -- "$dump" >/dev/null

    conv_us=()
    cat_us=()
    rss_max=0
    for ((i = 0; i < runs; i++)); do
        # a fresh target each time: truncating last round's file costs time too
        rm -f -- "$copy" "$facts"
        timed "$work/rss" cat "$dump" >"$copy"
        cat_us+=("$elapsed_us")
        timed "$work/rss" "$converter" "$dump" "$facts" >/dev/null
        conv_us+=("$elapsed_us")
        rss=$(tail -n 1 "$work/rss")
        [[ $rss =~ ^[0-9]+$ ]] || die "cannot read peak RSS from /usr/bin/time: '$rss'"
        if ((rss > rss_max)); then rss_max=$rss; fi
    done
    awk -v size="$size" -v rows="$rows" -v bytes="$dump_bytes" -v rss="$rss_max" \
        -v conv="$(median "${conv_us[@]}")" -v kat="$(median "${cat_us[@]}")" 'BEGIN {
        c = conv / 1e6; k = kat / 1e6
        printf "%9s %10d %9.3f %8.1f %11.0f %9.3f %8.2f %8.1f\n", size, rows, c,
               (c > 0 ? bytes / 1e6 / c : 0), (c > 0 ? rows / c : 0), k,
               (k > 0 ? c / k : 0), rss / 1024
    }'
    rm -f -- "$dump" "$copy" "$facts"
done
