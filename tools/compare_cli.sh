#!/usr/bin/env bash
# Runs two builds of kelvara-cli on the same dozen structures and commands and
# shows any difference in what they print (stdout, stderr, exit status).
# Usage: tools/compare_cli.sh [--ignore KEY,KEY...] OLD_CLI NEW_CLI [CALENDAR]
# --ignore drops those members from every JSON object before comparing (to
# compare the numbers of two builds when the newer one reports more).
set -uo pipefail
ignore=""
if [ "${1:-}" = "--ignore" ]; then ignore=$2; shift 2; fi
old=$1 new=$2
cal=${3:-$(dirname "$new")/trade_calendar.csv}
strip() {
  if [ -z "$ignore" ]; then cat; return; fi
  python3 -c '
import json, sys
drop = set(sys.argv[1].split(","))
def clean(v):
    if isinstance(v, dict):
        return {k: clean(x) for k, x in v.items() if k not in drop}
    if isinstance(v, list):
        return [clean(x) for x in v]
    return v
for line in sys.stdin:
    try:
        print(json.dumps(clean(json.loads(line)), sort_keys=True))
    except ValueError:
        print(line, end="")
' "$ignore"
}
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
    a=$({ "$old" $c $s "${common[@]}" 2>&1; echo "exit $?"; } | strip)
    # shellcheck disable=SC2086
    b=$({ "$new" $c $s "${common[@]}" 2>&1; echo "exit $?"; } | strip)
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
