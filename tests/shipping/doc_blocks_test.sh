#!/usr/bin/env bash
# doc_blocks_test.sh SOURCE_DIR BUILD_DIR
# Runs the shell blocks of README.md and docs/*.md whose info string is
# "sh ci" (or "sh ci status=N") as a user would type them: the blocks of one
# document in one shell, in order, started in a copy of the checkout's
# samples, with the built Quorvel and Tessark and the model-compiler stand-in
# on PATH. Each block must end with its status (0 unless marked), and no
# command before its last may fail.
set -euo pipefail
src=$1 build=$2
command -v parallel >/dev/null || { echo "GNU parallel is not installed (scripts/install-deps.sh installs it)"; exit 77; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/doc-blocks.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
checkout=$scratch/checkout
mkdir -p "$checkout/tests/standins" "$scratch/home" "$scratch/tmp" "$scratch/sessions"
cp -r "$src/samples" "$checkout/"
cp "$src/tests/standins/Drevik.lua" "$checkout/tests/standins/"
export HOME=$scratch/home TMPDIR=$scratch/tmp
export PATH="$build/driver:$build/tests/standins:$PATH"

# Writes one script per document that holds marked blocks; each block is run
# by eval, its failing commands counted by the ERR trap.
sessions=0 blocks=0
write_sessions() {  # FILE
  local file=$1 name=${1#"$src"/} n=0 line session="" fence="" expect=0 start=0 text="" block
  while IFS= read -r line || [ -n "$line" ]; do
    n=$((n + 1))
    if [ "$fence" = ci ] && [ "$line" = '```' ]; then
      fence="" blocks=$((blocks + 1)) block=$scratch/sessions/block$blocks
      printf '%s' "$text" > "$block"
      {
        echo '__failures=0'
        printf 'eval "$(< %q)"$%s\n' "$block" "'\\n__status=\$?'"
        printf '__report %q %s "$__status" "$__failures"\n' "$name:$start" "$expect"
      } >> "$session"
    elif [ "$fence" = ci ]; then
      text+="$line"$'\n'
    elif [ -n "$fence" ]; then
      [[ $line != '```'* ]] || fence=""
    elif [[ $line =~ ^\`\`\`sh\ ci(\ status=([0-9]+))?$ ]]; then
      fence=ci start=$n text="" expect=${BASH_REMATCH[2]:-0}
      if [ -z "$session" ]; then
        sessions=$((sessions + 1)) session=$scratch/sessions/session$sessions.sh
        printf 'cd %q\nset -o pipefail\n__bad=0\n%s\n' "$checkout" "$(declare -f __report)" > "$session"
        printf 'trap %q ERR\n' '__failures=$((__failures + 1))' >> "$session"
      fi
    elif [[ $line == '```'* ]]; then
      fence=other
    fi
  done < "$file"
  [ -z "$session" ] || echo 'exit $__bad' >> "$session"
}

# Called in a session after each block: its status and failing commands.
__report() {  # LABEL EXPECTED STATUS FAILURES
  local allowed=0
  [ "$2" = 0 ] || allowed=1
  if [ "$3" = "$2" ] && [ "$4" -le "$allowed" ]; then
    echo "== ok: $1 ended with status $3" >&2
  else
    echo "== FAILED: $1 ended with status $3 (expected $2), $4 failing commands" >&2
    __bad=1
  fi
}

for file in "$src/README.md" "$src"/docs/*.md; do write_sessions "$file"; done
[ "$blocks" -gt 0 ] || { echo "no block marked \"sh ci\" found"; exit 1; }

failed=0
for session in "$scratch"/sessions/session*.sh; do
  if timeout 600 bash --noprofile --norc "$session" > "$session.log" 2>&1; then
    grep '^== ' "$session.log"
  else
    failed=1
    cat "$session.log"
  fi
done
echo "$blocks blocks of $sessions documents run"
exit $failed
