#!/usr/bin/env bash
# The journal bars, measured side by side on this machine with the 20-year journal:
# `quillmere-tool list` against `cat` of the same file; closing after one change (the table
# alone, and the whole program) against `cp` of it and against `cp` followed by `sync`,
# since a close flushes the new file to disk before renaming it; the program's start-up and
# a move to the next day; `quillmere-tool search` against `grep -c -i -F` for a few words;
# `quillmere-tool export` against `quillmere-tool text` (bench/export_bar.sh).
# Usage: bench/bars.sh [BUILD_DIR]   (a Release build; default build-rel)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-rel}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLMERE_TESTS=OFF >/dev/null
cmake --build "$build" --target quillmere-tool quillmere-genjournal bench_storage bench_app bench_richedit >/dev/null

data=$build/bench-data
journal=$data/journal-20y-pictures.cds
mkdir -p "$data"
[ -f "$journal" ] || "$build/bench/quillmere-genjournal" "$journal" --days 7300 --picture-every 10 --end 2026-12-10

# median_ms COMMAND...: the median wall time of 11 runs, in milliseconds, output dropped.
# median_ms_to FILE COMMAND...: the same with the output written to FILE. The search bars
# use it: GNU grep notices an output of /dev/null and stops at its first match, which
# would make a baseline of a search that never reads past the first hit.
median_ms() { median_ms_to /dev/null "$@"; }
median_ms_to() {
  local out=$1
  shift
  local times=()
  for _ in $(seq 11); do
    local start end
    start=$(date +%s%N)
    "$@" >"$out"
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 6p | awk '{printf "%.1f", $1 / 1000}'
}

cat "$journal" >/dev/null # warm the page cache
size=$(stat -c %s "$journal")
cat_ms=$(median_ms cat "$journal")
list_ms=$(median_ms "$build/bin/quillmere-tool" list "$journal")
cp_ms=$(median_ms cp "$journal" "$data/copy.cds")
cpsync_ms=$(median_ms sh -c "cp '$journal' '$data/copy.cds' && sync '$data/copy.cds'")
rm -f "$data/copy.cds"
# The median of five runs: now and then a run takes half as long again, when the system
# reclaims the pages of the file the previous run replaced.
close_ms=$("$build/bench/bench_storage" --benchmark_filter='BM_CloseAfterOneChange/1' --benchmark_repetitions=5 \
           --benchmark_format=csv 2>/dev/null | awk -F, '/BM_CloseAfterOneChange.*_median/ {printf "%.1f", $3}')

search_lines=()
for word in garden "winter light" café zebra; do
  grep_ms=$(median_ms_to "$data/out.txt" grep -c -i -F "$word" "$journal")
  search_ms=$(median_ms_to "$data/out.txt" "$build/bin/quillmere-tool" search "$journal" "$word")
  search_lines+=("$(printf 'search %-14s %6s ms   grep -c -i -F %6s ms   (%sx; bar 3x)' "\"$word\"" "$search_ms" "$grep_ms" \
                    "$(awk "BEGIN{printf \"%.2f\", $search_ms/$grep_ms}")")")
done

app=$("$build/bench/bench_app" --benchmark_format=csv 2>/dev/null)
app_ms() { echo "$app" | awk -F, -v name="$1" 'index($1, name) {printf "%.1f", $3}'; }

echo "journal: $journal ($size bytes)"
echo "cat:                     $cat_ms ms"
echo "quillmere-tool list:     $list_ms ms   ($(awk "BEGIN{printf \"%.2f\", $list_ms/$cat_ms}")x cat; bar 3x)"
echo "cp:                      $cp_ms ms"
echo "cp + sync:               $cpsync_ms ms"
echo "close after one change:  $close_ms ms   ($(awk "BEGIN{printf \"%.2f\", $close_ms/$cp_ms}")x cp, $(awk "BEGIN{printf \"%.2f\", $close_ms/$cpsync_ms}")x cp + sync; bars 2x cp, 1.5x cp + sync)"
close_app=$(app_ms BM_CloseWithOneChangedEntry)
echo "program close, one entry: $close_app ms   ($(awk "BEGIN{printf \"%.2f\", $close_app/$cp_ms}")x cp, $(awk "BEGIN{printf \"%.2f\", $close_app/$cpsync_ms}")x cp + sync; bars 2x cp, 1.5x cp + sync)"
echo "program start-up:        $(app_ms BM_StartUpUntilTodaysEntryIsShown) ms   (bar 300 ms)"
start0=$(app_ms BM_StartUpTakingBackARecoveryLog/0/)
start100=$(app_ms BM_StartUpTakingBackARecoveryLog/100/)
echo "start-up, 100-entry log: $start100 ms   (without: $start0 ms; $(awk "BEGIN{printf \"%.1f\", $start100-$start0}") ms more; bar 50 ms)"
echo "next day, entry stored:  $(app_ms BM_NextDayStoringAModifiedEntry) ms   (bar 10 ms)"
printf '%s\n' "${search_lines[@]}"
bench/export_bar.sh "$build"
