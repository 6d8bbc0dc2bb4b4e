#!/usr/bin/env bash
# The export bar, measured side by side on this machine with the 20-year journal of
# bars.sh: `quillmere-tool export` as HTML (each run into a new folder) against
# `quillmere-tool text` of the same journal into a file; the median of 5 runs of each.
# Usage: bench/export_bar.sh [BUILD_DIR]   (a Release build; default build-rel)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-rel}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLMERE_TESTS=OFF >/dev/null
cmake --build "$build" --target quillmere-tool quillmere-genjournal >/dev/null

data=$build/bench-data
journal=$data/journal-20y-pictures.cds
mkdir -p "$data"
[ -f "$journal" ] || "$build/bench/quillmere-genjournal" "$journal" --days 7300 --picture-every 10 --end 2026-12-10
tool=$build/bin/quillmere-tool
out=$data/export

# median_ms COMMAND...: the median wall time of 5 runs in milliseconds; the export folder
# is removed before each run, outside the time.
median_ms() {
  local times=()
  for _ in $(seq 5); do
    rm -rf "$out"
    local start end
    start=$(date +%s%N)
    "$@" >"$data/out.txt" 2>/dev/null
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 3p | awk '{printf "%.1f", $1 / 1000}'
}

cat "$journal" >/dev/null # warm the page cache
text_ms=$(median_ms "$tool" text "$journal")
html_ms=$(median_ms "$tool" export "$journal" "$out")
markdown_ms=$(median_ms "$tool" export "$journal" "$out" --format markdown)
files=$(find "$out" -type f | wc -l)
rm -rf "$out" "$data/out.txt"

echo "quillmere-tool text:            $text_ms ms"
echo "quillmere-tool export (HTML):   $html_ms ms   ($(awk "BEGIN{printf \"%.2f\", $html_ms/$text_ms}")x text; bar 4x)"
echo "quillmere-tool export (Markdown): $markdown_ms ms   ($(awk "BEGIN{printf \"%.2f\", $markdown_ms/$text_ms}")x text; $files files)"
