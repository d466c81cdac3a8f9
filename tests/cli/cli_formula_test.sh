#!/usr/bin/env bash
# End-to-end cases of `orvex-cli check` and `orvex-cli eval`, formula
# parameters included: exit code, standard output and standard error of each
# run. One refused formula per output path; the kinds of fault are the core's.
#   cli_formula_test.sh PATH-TO-ORVEX-CLI
set -u
cli=$1
errfile=$(mktemp)
trap 'rm -f "$errfile"' EXIT
failures=0
default='sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )'
bad_char='不正な文字がありました！'

# expect CODE STDOUT STDERR ARGS...   (STDERR "+" means any non-empty text)
expect() {
  local code=$1 out=$2 err=$3 got_out got_code got_err
  shift 3
  got_out=$("$cli" "$@" 2>"$errfile")
  got_code=$?
  got_err=$(cat "$errfile")
  if [ "$got_code" != "$code" ] || [ "$got_out" != "$out" ] ||
    { [ "$err" = "+" ] && [ -z "$got_err" ]; } || { [ "$err" != "+" ] && [ "$got_err" != "$err" ]; }; then
    failures=$((failures + 1))
    printf 'FAIL: %s: expected %s [%s] [%s], got %s [%s] [%s]\n' "$*" "$code" "$out" "$err" \
      "$got_code" "$got_out" "$got_err"
  fi
}

expect 0 OK "" check "$default"
expect 1 "$bad_char" "" check '2X'
expect 2 "" + check
# A formula alone: every name that could be a parameter is one, listed once in
# the letter case first written.
expect 0 OK $'parameter: a\nparameter: theta\nparameter: b2' check 'a*x+theta*SIN(A+b2)'
# Notes on standard error, the formula still passing.
expect 0 OK "note: -x^2 は (-x)^2 と読みます。-(x^2) と書けます (5 文字目)" check 'exp(-x^2-y^2)'
# The window's box takes 128 bytes (a full-width character counts twice).
long=$(printf 'x+%.0s' {1..63})x
expect 0 OK "" check "$long"
expect 1 "" "orvex-cli check: the formula is 129 bytes long, longer than the window takes (128 bytes); --no-limit checks it all the same" \
  check "${long}+1"
expect 1 "$bad_char" "" check "ｘ${long:1}"
expect 0 OK "" check --no-limit "${long}+1"

expect 0 1 "" eval "$default" 0 0
expect 0 -1 "" eval "$default" 0 0 --zero-by-zero -1
expect 0 nan "" eval 'SQRT(X)' -1 0
expect 1 "" "$bad_char" eval '2X' 0 0
expect 2 "" + eval X 1 2 --zero-by-zero one
expect 0 6.5 "" eval 'a*x+B' 2 0 --param a=3 --param b=0.5
expect 2 "" + eval 'a*x' 2 0 --param x=1

# Output that cannot be written is a failure, not a success.
ovx=$(mktemp --suffix=.ovx)
trap 'rm -f "$errfile" "$ovx"' EXIT
"$cli" write "$ovx"
for args in "check X" "eval X 1 2" "--help" "info $ovx"; do
  # shellcheck disable=SC2086
  if "$cli" $args >/dev/full 2>/dev/null; then
    failures=$((failures + 1))
    echo "FAIL: $args > /dev/full exited 0"
  fi
done

echo "$failures failed"
[ "$failures" = 0 ]
