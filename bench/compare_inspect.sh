#!/usr/bin/env bash
# Side by side: varnotile-cli inspect against GNU datamash computing min and max of all ten
# columns of the benchmark file, with peak memory of inspect against the file's size.
# Usage: bench/compare_inspect.sh [BUILD_DIR]   (generates the file with the benchmark program)
set -euo pipefail
build="${1:-build}"
file=/tmp/varnotile-bench-1000000-rows.csv
[ -f "$file" ] || "$build/bin/varnotile_bench" --benchmark_filter=BM_LoadDataFile >/dev/null
size=$(stat -c %s "$file")
cols=""
for c in $(seq 1 10); do cols="$cols min $c max $c"; done
best() { sort -n | head -1; }
ours=$(for i in 1 2 3; do /usr/bin/time -f "%e %M" "$build/bin/varnotile-cli" inspect "$file" 2>&1 >/dev/null | tail -1; done)
theirs=$(for i in 1 2 3; do /usr/bin/time -f "%e" sh -c "tail -n +3 '$file' | datamash -t, $cols >/dev/null" 2>&1 | tail -1; done)
t_ours=$(echo "$ours" | awk '{print $1}' | best)
rss=$(echo "$ours" | awk '{print $2}' | sort -n | tail -1)
t_theirs=$(echo "$theirs" | best)
echo "file: $file ($size bytes)"
echo "inspect:  ${t_ours} s (best of 3), peak RSS ${rss} KB = $(awk "BEGIN{printf \"%.2f\", $rss*1024/$size}") x file size"
echo "datamash: ${t_theirs} s (best of 3)"
echo "ratio inspect/datamash: $(awk "BEGIN{printf \"%.3f\", $t_ours/$t_theirs}") (target <= 0.5)"
