#!/usr/bin/env bash
# The manual pages format without a warning, corvane-cli's page names every
# command and option that its usage texts list, and --version prints the
# project's version.
# Usage: manual_pages.sh <corvane-cli> <version> <folder of the built pages>
set -euo pipefail
cli=$1 version=$2 pages=$3 failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

export LC_ALL=C.UTF-8
for page in "$pages"/corvane.1 "$pages"/corvane-cli.1; do
  [ -f "$page" ] || { fail "no page $page"; continue; }
  warnings=$(groff -man -Tutf8 -K utf8 -ww -z "$page" 2>&1)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
  grep -q '@[A-Z_]*@' "$page" && fail "$(basename "$page") has an unreplaced @VARIABLE@"
  head -n 5 "$page" | grep -q "\"Corvane $version\"" || fail "$(basename "$page") does not carry $version"
done

# The page as a reader sees it: hyphens plain, words unbroken.
text=$(groff -man -Tutf8 -K utf8 -rLL=200n -P -cbou "$pages/corvane-cli.1" 2>/dev/null | sed 's/‐/-/g')
usage=$("$cli" --help)
options=$(grep -oE '(^|[ [|,])--?[a-z][a-z-]*' <<<"$usage" | sed 's/^[ [|,]//' | sort -u)
commands=$(sed -n 's/^  \([a-z]\+\) .*/\1/p' <<<"$("$cli" --help)" | sort -u)
[ "$(wc -l <<<"$options")" -ge 15 ] || fail "found only $(wc -l <<<"$options") options in the usage"
[ "$(wc -l <<<"$commands")" -ge 4 ] || fail "found only $(wc -l <<<"$commands") commands in the usage"
for word in $options $commands; do
  grep -qE -- "(^|[^a-z-])$word([^a-z-]|$)" <<<"$text" || fail "corvane-cli.1 does not mention $word"
done
exit_section=$(awk '/^EXIT STATUS/ { on = 1; next } /^[A-Z]/ { on = 0 } on' <<<"$text")
for status in 0 1 2; do
  grep -qE "^ +$status +[A-Z]" <<<"$exit_section" || fail "corvane-cli.1 does not explain exit status $status"
done

printed=$("$cli" --version) || fail "--version exited with $?"
[ "$printed" = "corvane-cli $version" ] || fail "--version printed \"$printed\""

[ "$failed" -eq 0 ] && echo "manual pages: all checks passed"
exit "$failed"
