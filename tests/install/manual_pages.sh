#!/usr/bin/env bash
# The manual pages format without a warning, corvane-cli's page names every
# command and option that its usage texts list, and --version prints the
# project's version. corvane, when given, answers its own options without a
# display, refuses unknown ones, and its page names every option it lists.
# Usage: manual_pages.sh <corvane-cli> <version> <folder of the built pages> [<corvane>]
set -euo pipefail
cli=$1 version=$2 pages=$3 program=${4:-} failed=0
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

if [ -n "$program" ]; then
  text=$(groff -man -Tutf8 -K utf8 -rLL=200n -P -cbou "$pages/corvane.1" 2>/dev/null | sed 's/‐/-/g')
  usage=$(env -u DISPLAY -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY "$program" --help)
  options=$(grep -oE '(^|[ ,])--?[a-z][a-z-]*' <<<"$usage" | sed 's/^[ ,]//' | sort -u)
  for word in $options; do
    grep -qE -- "(^|[^a-z-])$word([^a-z-]|$)" <<<"$text" || fail "corvane.1 does not mention $word"
  done
  # Arguments | exit status | standard output | standard error, with no display.
  work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
  while IFS='|' read -r args status out err; do
    got=0
    # shellcheck disable=SC2086 # the arguments are split on purpose
    env -u DISPLAY -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY timeout 10 "$program" $args \
      >"$work/out" 2>"$work/err" || got=$?
    for expected in "out $out" "err $err"; do
      stream=${expected%% *} want=${expected#* } file=$work/$stream
      case $want in
        version) [ "$(cat "$file")" = "corvane $version" ] ;;
        usage) [ "$(cat "$file")" = "$usage" ] ;;
        unknown*) [ "$(head -n 1 "$file")" = "corvane: ${want#unknown }" ] &&
          [ "$(tail -n +3 "$file")" = "$usage" ] ;;
        empty) [ ! -s "$file" ] ;;
      esac || fail "corvane $args: standard $stream is not $want: $(head -c 300 "$file")"
    done
    [ "$got" -eq "$status" ] || fail "corvane $args: exit status $got, not $status"
  done <<'EOF'
--version|0|version|empty
--help|0|usage|empty
-h|0|usage|empty
scene.cvn -platform offscreen --style=fusion -reverse --version|0|version|empty
-qwindowtitle --odd --help|0|usage|empty
--bogus --version|2|empty|unknown unknown option --bogus
-x|2|empty|unknown unknown option -x
EOF
fi

[ "$failed" -eq 0 ] && echo "manual pages: all checks passed"
exit "$failed"
