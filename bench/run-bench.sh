#!/usr/bin/env bash
# Times a converter against cat on generated crawler dumps.
#
#   bench/run-bench.sh CONVERTER GENERATOR [SIZE_MB ...]      (default: 3 30 300)
#
# Each dump (seed 1) is made once and read once to warm the page cache. Then
# BENCH_RUNS rounds (default 5) alternate `cat dump > copy` and
# `CONVERTER dump facts`, each into a fresh file. Seconds, MB/s and rows/s are
# medians of the converter's runs (rows counts every row of the dump, those
# of tables no rule covers too); the ratio is the median of each round's
# converter/cat, so that both sides of a ratio met the same machine; RSS is
# the largest peak of the converter's runs (/usr/bin/time).
# BENCH_MODES="default all" also times `CONVERTER --all-tables dump facts`.
# BENCH_STYLES="copy inserts rows1000" also writes the same database as
# `pg_dump --inserts` and `--rows-per-insert=1000` would, and times those
# dumps too; a style column then follows mode, and vs_copy gives each
# median's ratio to the COPY dump's (size and mode alike).
# BENCH_DIR keeps the dumps there (as crawler-SIZE.sql, crawler-SIZE-STYLE.sql
# for the other styles) instead of in a
# temporary directory removed at the end.
set -euo pipefail

if (($# < 2)); then
  echo "usage: ${0##*/} CONVERTER GENERATOR [SIZE_MB ...]" >&2
  exit 2
fi
converter=$1 generator=$2
shift 2
(($#)) || set -- 3 30 300
runs=${BENCH_RUNS:-5}
read -ra modes <<<"${BENCH_MODES:-default}"
read -ra styles <<<"${BENCH_STYLES:-copy}"
# The columns that only a run of several styles prints.
if [[ ${styles[*]} == copy ]]; then by_style=0; else by_style=1; fi
[[ -x /usr/bin/time ]] || { echo "${0##*/}: needs /usr/bin/time (Debian package time)" >&2; exit 1; }
if [[ -n ${BENCH_DIR:-} ]]; then
  dir=$BENCH_DIR
  mkdir -p -- "$dir"
else
  dir=$(mktemp -d "${TMPDIR:-/tmp}/pgdump2pl-bench.XXXXXX")
  trap 'rm -rf -- "$dir"' EXIT
fi

# timed COMMAND...: its wall time in $seconds and its peak RSS (KiB) in $rss.
# cat and the converter both go through /usr/bin/time, to pay the same for it.
timed() {
  local start=${EPOCHREALTIME/,/.}
  /usr/bin/time -f %M -o "$dir/rss" "$@" 2>"$dir/stderr" || return 1
  seconds=$(awk -v a="$start" -v b="${EPOCHREALTIME/,/.}" 'BEGIN {print b - a}')
  rss=$(tail -n 1 "$dir/rss")
}

median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2}'; }

status=0
echo "# $converter vs cat, $runs rounds, $(nproc) CPUs, $(uname -sr); 1 MB = 10^6 bytes"
if ((by_style)); then
  printf '%8s %-8s %-8s %10s %8s %7s %11s %8s %6s %8s %7s\n' size_MB mode style rows conv_s MB/s rows/s cat_s ratio RSS_MiB vs_copy
else
  printf '%8s %-8s %10s %8s %7s %11s %8s %6s %8s\n' size_MB mode rows conv_s MB/s rows/s cat_s ratio RSS_MiB
fi
declare -A copy_conv
for size in "$@"; do
  copy_conv=()
  for style in "${styles[@]}"; do
    case $style in
      copy) dump=$dir/crawler-$size.sql ;;
      inserts | rows1000) dump=$dir/crawler-$size-$style.sql ;;
      *) echo "${0##*/}: unknown style '$style' (copy, inserts, rows1000)" >&2; exit 2 ;;
    esac
    "$generator" 1 "$size" "$style" >"$dump" 2>"$dir/rows" || { cat "$dir/rows" >&2; exit 1; }
    rows=$(sed -n 's/^rows=//p' "$dir/rows")
    bytes=$(stat -c %s -- "$dump")
    cat -- "$dump" >/dev/null
    for mode in "${modes[@]}"; do
      case $mode in
        default) flags=() ;;
        all) flags=(--all-tables) ;;
        *) echo "${0##*/}: unknown mode '$mode' (default, all)" >&2; exit 2 ;;
      esac
      label=$(printf '%-8s' "$mode")
      if ((by_style)); then label+=$(printf ' %-8s' "$style"); fi
      conv=() cats=() ratios=() peak=0
      for ((i = 0; i < runs; i++)); do
        rm -f -- "$dir/copy" "$dir/facts"
        timed cat -- "$dump" >"$dir/copy" || { cat "$dir/stderr" >&2; exit 1; }
        cats+=("$seconds")
        # a mode the converter lacks fails alone, so one list of modes serves every build
        if ! timed "$converter" "${flags[@]}" "$dump" "$dir/facts" >/dev/null; then
          printf '%8s %s failed: %s\n' "$size" "$label" "$(head -n 1 "$dir/stderr")"
          status=1
          continue 2
        fi
        conv+=("$seconds")
        ratios+=("$(awk -v c="$seconds" -v k="${cats[-1]}" 'BEGIN {print c / k}')")
        if ((rss > peak)); then peak=$rss; fi
      done
      c=$(median "${conv[@]}")
      if [[ $style == copy ]]; then copy_conv[$mode]=$c; fi
      awk -v size="$size" -v label="$label" -v rows="$rows" -v bytes="$bytes" -v c="$c" \
        -v k="$(median "${cats[@]}")" -v r="$(median "${ratios[@]}")" -v rss="$peak" \
        -v by_style="$by_style" -v copy_c="${copy_conv[$mode]:-}" 'BEGIN {
        vs = !by_style ? "" : copy_c != "" ? sprintf(" %7.2f", c / copy_c) : sprintf(" %7s", "-")
        printf "%8s %s %10d %8.3f %7.0f %11.0f %8.3f %6.2f %8.1f%s\n",
          size, label, rows, c, bytes / 1e6 / c, rows / c, k, r, rss / 1024, vs }'
    done
    rm -f -- "$dir/copy" "$dir/facts"
  done
done
rm -f -- "$dir/rss" "$dir/stderr" "$dir/rows"
exit "$status"
