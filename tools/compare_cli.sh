#!/usr/bin/env bash
# Runs two builds of kelvara-cli on the same dozen structures and commands and
# shows any difference in what they print (stdout, stderr, exit status).
# Usage: tools/compare_cli.sh OLD_CLI NEW_CLI [CALENDAR]
set -uo pipefail
old=$1 new=$2
cal=${3:-$(dirname "$new")/trade_calendar.csv}
common=(--calendar "$cal" --today 20250106 --json)
structures=(
  ""
  "--type option"
  "--floor 80"
  "--strike 100 --participation 0.8"
  "--ko 103_102.5_102_101.5_101_100.5_100_99.5_99_98.5 --expiry 20260106"
  "--vol 40 --expiry 20270106"
  "--spot 82"
  "--spot 102.9"
  "--q 3 --rate 2"
  "--obs-times 0.25,0.5,0.75,1 --ko 103_102_101_100 --type option"
  "--vol -5"
  "--M 2"
  "--smax 90"
  "--dates 20250303_20250303"
)
commands=("price" "price --greeks" "solve --for vol --target 100 --lo 0.05 --hi 0.5"
          "solve --for coupon --target 100 --lo 0.01 --hi 0.4" "scan --param 0" "stress" "mc --paths 2000" "grid")
differ=0 runs=0
for s in "${structures[@]}"; do
  for c in "${commands[@]}"; do
    # shellcheck disable=SC2086
    a=$("$old" $c $s "${common[@]}" 2>&1; echo "exit $?")
    # shellcheck disable=SC2086
    b=$("$new" $c $s "${common[@]}" 2>&1; echo "exit $?")
    runs=$((runs + 1))
    if [ "$a" != "$b" ]; then
      differ=$((differ + 1))
      echo "DIFFERS: $c $s"
      diff <(echo "$a") <(echo "$b") | head -6
    fi
  done
done
echo "$runs runs, $differ differ"
[ "$differ" -eq 0 ]
