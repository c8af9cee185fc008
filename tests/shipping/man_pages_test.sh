#!/usr/bin/env bash
# man_pages_test.sh PAGE...
# Every manual page renders without a single warning from groff (-ww, all
# warnings) and, where it is installed, from mandoc's linter.
set -uo pipefail
failed=0
for page in "$@"; do
  warnings=$(groff -ww -z -t -man "$page" 2>&1)
  if command -v mandoc > /dev/null; then warnings+=$(mandoc -T lint "$page" 2>&1 | sed '1s/^/\n/'); fi
  if [ -n "$warnings" ]; then
    printf '%s:\n%s\n' "$page" "$warnings"
    failed=1
  fi
done
[ $failed = 0 ] && echo "$# manual pages render without warnings"
exit $failed
