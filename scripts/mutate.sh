#!/usr/bin/env bash
# mutate.sh [-n COUNT] [-s SEED] [-b BUILD_DIR] [-t SECONDS] [-f FIRST] [-m MIN_SCORE] [FOLDER...]
# Mutation testing: COUNT seeded one-line mutants of the product sources in
# the FOLDERs (default: codec/ files/ driver/), each built incrementally and
# put through the test programs that cover its folder. A mutant the tests
# fail on (or that hangs past SECONDS) is caught; one they pass survives;
# one that does not compile is not counted. Prints one line per mutant, the
# survivors with their diffs, and the score. The same seed picks the same
# mutants on the same sources. Every file is restored after each mutant and
# on exit, even when interrupted. -f starts at mutant FIRST of the sample
# (to finish an interrupted run). The tests of each mutant run with a
# private TMPDIR, removed afterwards, and a 2 GB file-size limit, so that a
# mutant that writes without end is caught instead of filling the disk.
# Fails (status 1) when a mutant of the sample was left unrun, when no mutant
# built, or when the score is below MIN_SCORE percent (default 0).
#
# Mutants: comparisons (< <= > >= == != turned), integer constants (n to
# n+1, 1 to 0; not array bounds in declarations, which can only grow an
# array), returns of true/false turned, && and || swapped, if and while
# conditions negated, statements deleted (a line that is one statement).
set -euo pipefail
cd "$(dirname "$0")/.."
count=60 seed=1 build=build-mutate timeout_seconds=120 first=1 min_score=0
while getopts "n:s:b:t:f:m:" option; do
  case $option in
    n) count=$OPTARG ;;
    s) seed=$OPTARG ;;
    b) build=$OPTARG ;;
    t) timeout_seconds=$OPTARG ;;
    f) first=$OPTARG ;;
    m) min_score=$OPTARG ;;
    *) echo "usage: $0 [-n COUNT] [-s SEED] [-b BUILD_DIR] [-t SECONDS] [-f FIRST] [-m MIN_SCORE] [FOLDER...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
folders=("${@:-codec/ files/ driver/}")
read -r -a folders <<<"${folders[*]}"

# The test programs that cover a folder's code (ctest names).
tests_for() {
  case $1 in
    codec/*) echo "codec_tests" ;;
    common/*) echo "codec_tests|driver_stage_tests|driver_unit_tests|driver_integration_tests" ;;
    files/*) echo "codec_tests|driver_stage_tests|driver_unit_tests|driver_integration_tests" ;;
    *) echo "driver_stage_tests|driver_unit_tests|driver_integration_tests|lua_standin_tests" ;;
  esac
}

[ -f "$build/CMakeCache.txt" ] ||
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BENCHMARKS=OFF >/dev/null
echo "== unmutated build and tests =="
cmake --build "$build" -j2 >/dev/null
ctest --test-dir "$build" </dev/null >/dev/null || { echo "the unmutated tests fail: fix them first" >&2; exit 1; }

work=$(mktemp -d)
# An if, not an && list: under set -e a false test in the exit trap would
# end the script with status 1.
restore() {
  if [ -f "$work/original" ]; then
    cp -p "$work/original" "$(cat "$work/path")" && rm -f "$work/original"
  fi
}
trap 'restore; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

# The mutants: "path<TAB>line<TAB>new line" records, seeded.
python3 - "$seed" "$count" "${folders[@]}" >"$work/mutants" <<'PYTHON'
import os, random, re, sys
seed, count, folders = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3:]
files = sorted(os.path.join(d, f) for folder in folders for d, _, fs in os.walk(folder)
               for f in fs if f.endswith((".cpp", ".h")) and "-win32" not in f)
turn = {"<": ">=", "<=": ">", ">": "<=", ">=": "<", "==": "!=", "!=": "=="}
comparison = re.compile(r"(?<=[\s)\w])(<=|>=|==|!=|<|>)(?=[\s(\w-])")
constant = re.compile(r"(?<![\w.])(\d+)(?![\w.'])")
declared_bound = re.compile(r"[A-Za-z_][\w:<>]*[\s*&]+(const\s+)?\w+(\[[^\]]*\])*\[$")
declaration = re.compile(r"\s*((static|const|constexpr)\s+)*[A-Za-z_][\w:<>]*\s+\w+\[")
def mutants_of(text):
    code = text.split("//")[0]
    if not code.strip() or code.lstrip().startswith(("#", "*")) or "template" in code or "static_assert" in code:
        return
    templates = [t.span() for t in re.finditer(r"\w<[\w:\s,*&<>]*?>+", code)]
    for m in comparison.finditer(code):
        if any(start <= m.start() < end for start, end in templates):
            continue  # a template argument list
        yield code[:m.start()] + turn[m.group(1)] + text[m.end():]
    for m in constant.finditer(code):
        bound = code[:m.start()].endswith("[") and code[m.end():].startswith("]")
        if bound and (declared_bound.search(code[:m.start()]) or declaration.match(code)):
            continue  # an array bound in a declaration: a larger array changes nothing
        n = int(m.group(1))
        yield text[:m.start()] + str(0 if n == 1 else n + 1) + text[m.end():]
    for old, new in (("return true", "return false"), ("return false", "return true"), ("&&", "||"), ("||", "&&")):
        at = code.find(old)
        if at >= 0:
            yield text[:at] + new + text[at + len(old):]
    m = re.match(r"(\s*)(if|while) \((.*)\) (\{|return|continue|break)", text)
    if m:
        yield f"{m.group(1)}{m.group(2)} (!({m.group(3)})) {m.group(4)}" + text[m.end():]
    stripped = code.strip()
    if text[:1].isspace() and stripped.endswith(";") and stripped.count(";") == 1 and not stripped.startswith(
            ("return", "using", "struct", "enum", "class", "constexpr", "static constexpr", "const ", "extern",
             "}", "namespace")) and "(" in stripped and "=" not in stripped.split("(")[0]:
        yield ""
candidates = []
for path in files:
    with open(path) as f:
        for number, line in enumerate(f.read().split("\n"), 1):
            for mutant in dict.fromkeys(mutants_of(line)):
                if mutant != line:
                    candidates.append((path, number, mutant))
random.Random(seed).shuffle(candidates)
for path, number, mutant in candidates[:count]:
    print(f"{path}\t{number}\t{mutant}")
PYTHON

caught=0 survived=0 unbuildable=0 index=0 ran=0 survivors=""
total=$(wc -l <"$work/mutants")
# The list is read on descriptor 3 and every command in the loop reads
# /dev/null: a test that reads its standard input must not eat the list.
while IFS=$'\t' read -r -u 3 path line mutant; do
  index=$((index + 1))
  [ "$index" -ge "$first" ] || continue
  printf '%s' "$path" >"$work/path"
  # A copy that is not whole must never be restored over the source.
  cp -p "$path" "$work/original" && cmp -s "$path" "$work/original" || { rm -f "$work/original"; exit 1; }
  original_line=$(sed -n "${line}p" "$path")
  MUTANT="$mutant" python3 -c "
import os, sys
path, number = sys.argv[1], int(sys.argv[2])
lines = open(path).read().split('\n')
lines[number - 1] = os.environ['MUTANT']
open(path, 'w').write('\n'.join(lines))" "$path" "$line"
  touch "$path"
  label="[$index/$total] $path:$line"
  ran=$((ran + 1))
  if ! cmake --build "$build" -j2 </dev/null >"$work/build.log" 2>&1; then
    unbuildable=$((unbuildable + 1))
    echo "$label does not build"
  elif mkdir -p "$work/tmp" && (ulimit -S -f 4194304; TMPDIR=$work/tmp timeout "$timeout_seconds" \
      ctest --test-dir "$build" -R "$(tests_for "$path")") </dev/null >"$work/test.log" 2>&1; then
    survived=$((survived + 1))
    echo "$label SURVIVED"
    survivors+="$path:$line"$'\n'"  - ${original_line}"$'\n'"  + ${mutant}"$'\n'
  else
    caught=$((caught + 1))
    echo "$label caught"
  fi
  restore
  rm -rf "$work/tmp"
  touch "$path"
done 3<"$work/mutants"
cmake --build "$build" -j2 </dev/null >/dev/null  # back to the unmutated binaries

echo "== survivors =="
printf '%s' "$survivors"
built=$((caught + survived))
echo "== score: $caught of $built built mutants caught ($unbuildable did not build), seed $seed, ${folders[*]} =="
expected=$((total >= first ? total - first + 1 : 0))
if [ "$ran" -ne "$expected" ]; then
  echo "mutate: only $ran of the $expected mutants were run" >&2
  exit 1
fi
if [ "$built" -eq 0 ]; then
  echo "mutate: no mutant built; nothing was checked" >&2
  exit 1
fi
score=$((100 * caught / built))
echo "mutation score: $score%"
if [ "$score" -lt "$min_score" ]; then
  echo "mutate: a score of $score% is below the $min_score% asked for" >&2
  exit 1
fi
