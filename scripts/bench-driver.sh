#!/usr/bin/env bash
# Directory mode on COUNT (default 1,000) small containers with one decoder at
# a time (QUORVEL_JOBS=1) and with one per processor, against the same
# `Tessark -d` calls from a shell loop (hyperfine), and against an earlier
# build when BASELINE_BUILD names its build folder. The difference to the
# shell loop is the driver's own share: its walk, level clean-up, renames,
# material script and process starts. The last run has every texture present
# already, so no child is started: it is the driver's own work on the
# containers and their textures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh hyperfine linux-perf
count="${1:-1000}"
build="${BUILD_DIR:-build}"
case "$build" in /*) ;; *) build="$PWD/$build" ;; esac
quorvel="$build/driver/Quorvel"
tessark="$build/driver/Tessark"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# An 8x8 grey container, four levels: header and seven colour blocks.
container="$work/template"
{
  printf '\x08\x00\x00\x00\x08\x00\x00\x00\x03\x00\x00\x00\x20\x00\x00\x00\x00\x00\x80\x3f'
  for _ in 1 2 3 4 5 6 7; do printf '\x10\x84\x10\x84\x00\x00\x00\x00'; done
} > "$container"
mkdir "$work/w"
mkdir "$work/done"
for i in $(seq -w 1 "$count"); do
  cp "$container" "$work/w/tex$i.dds"
  cp "$container" "$work/done/tex$i.dds"
  : > "$work/done/tex$i.tga"
done

clean="rm -f $work/w/*.tga $work/w/universal.material"
jobs="$(nproc)"
baseline=()
if [ -n "${BASELINE_BUILD:-}" ]; then
  baseline=(--prepare "$clean" -n "baseline Quorvel ($BASELINE_BUILD)"
    "env PATH=$BASELINE_BUILD/driver:$PATH $BASELINE_BUILD/driver/Quorvel $work/w")
fi
hyperfine --warmup 1 --runs "${RUNS:-10}" --export-markdown "$work/result.md" \
  "${baseline[@]}" \
  --prepare "$clean" -n "Quorvel, QUORVEL_JOBS=1" "env QUORVEL_JOBS=1 $quorvel $work/w" \
  --prepare "$clean" -n "Quorvel, QUORVEL_JOBS=$jobs" "env QUORVEL_JOBS=$jobs $quorvel $work/w" \
  --prepare "$clean" -n "shell loop of Tessark -d" \
  "bash -c 'for f in $work/w/*.dds; do $tessark -d \"\$f\"; done'" \
  --prepare "true" -n "Quorvel, every texture already there (no children)" "$quorvel $work/done"
cat "$work/result.md"

# CPU time of the driver process alone against the whole tree (needs perf).
if command -v perf >/dev/null 2>&1; then
  eval "$clean"
  perf stat -e task-clock --no-inherit -x, -o "$work/self.csv" env QUORVEL_JOBS=1 "$quorvel" "$work/w" >/dev/null
  eval "$clean"
  perf stat -e task-clock -x, -o "$work/all.csv" env QUORVEL_JOBS=1 "$quorvel" "$work/w" >/dev/null
  self="$(grep task-clock "$work/self.csv" | cut -d, -f1)"
  all="$(grep task-clock "$work/all.csv" | cut -d, -f1)"
  echo "CPU: Quorvel itself ${self} ms of ${all} ms with its children"
fi

# Listing mode on COUNT models, one record each, through Lua and the
# conversion script's stand-in; half the models name a texture that is
# missing, so their outputs are removed again. Then the peak memory of both
# modes (GNU time): it stays flat as COUNT grows when nothing is held per
# file beyond the walk's names.
scripts/install-deps.sh lua5.4 time
drevik="$PWD/tests/standins/Drevik.lua"
mkdir -p "$work/l/work.orig"
cp "$drevik" "$work/l/"
for i in $(seq -w 1 "$count"); do
  printf 'newmodel m%s\nbitmap tex%s\n' "$i" "$i" >"$work/l/work.orig/m$i.mdl"
  if [ $((10#$i % 2)) = 0 ]; then : >"$work/l/work.orig/tex$i.tga"; fi
done
(cd "$work/l/work.orig" && grep -H -n '^newmodel' -- *.mdl | sed 's|^|work/|' >"$work/l/listing.txt")
fresh="rm -rf $work/l/work && cp -r $work/l/work.orig $work/l/work"
hyperfine --warmup 1 --runs "${LISTING_RUNS:-5}" --prepare "$fresh" -n "listing mode, $count records" \
  "cd $work/l && $quorvel listing.txt 1.0 1 1 1 work"
eval "$fresh"
(cd "$work/l" && /usr/bin/time -f "listing mode: peak memory %M KB" "$quorvel" listing.txt 1.0 1 1 1 work >/dev/null 2>"$work/l/err.txt"; tail -1 "$work/l/err.txt")
eval "$clean"
/usr/bin/time -f "directory mode: peak memory %M KB" "$quorvel" "$work/w" >/dev/null 2>"$work/err.txt" || true
tail -1 "$work/err.txt"
