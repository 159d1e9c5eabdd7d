#!/usr/bin/env bash
# The web engine's speed against the native engine's, on the benchmark grammar (300 symbols of 6
# alternatives, bench/peers/make_grammar.js): rolls per second of fw_roll under Node.js, each call
# making the whole results document in the module's memory (bench/web/web_rolls.js), against
# fablewick-cli's own rolls writing the same document (the time of `roll -n 32767` less the time
# of `roll -n 0`, which is starting and loading). Best of ROUNDS for each, taken in turns, so
# that a busy machine slows both alike. Exits 1 when the web engine makes fewer than half as many.
#   bench/web/compare.sh NATIVE_CLI WEB_ENGINE.js [ROUNDS]
set -euo pipefail
[[ $# -ge 2 ]] || { echo "usage: bench/web/compare.sh NATIVE_CLI WEB_ENGINE.js [ROUNDS]" >&2; exit 2; }
cli=$1 engine=$2 rounds=${3:-5}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
node "$here/../peers/make_grammar.js" "$work" 300 6 1
count=32767 calls=10

nanoseconds() { date +%s%N; }
native_best=0 web_best=0 decode_best=0
for ((round = 1; round <= rounds; ++round)); do
  start=$(nanoseconds)
  for ((call = 1; call <= calls; ++call)); do
    "$cli" --home "$work" --tables "$work/Tables" --seed "$call" --format html \
      roll Grammar -n "$count" >/dev/null
  done
  middle=$(nanoseconds)
  for ((call = 1; call <= calls; ++call)); do
    "$cli" --home "$work" --tables "$work/Tables" --seed "$call" --format html \
      roll Grammar -n 0 >/dev/null
  done
  end=$(nanoseconds)
  native=$(awk -v n=$((count * calls)) -v t=$(((middle - start) - (end - middle))) \
    'BEGIN { print (t > 0 ? n / (t / 1e9) : 0) }')
  read -r rolls seconds decoding < <(node "$here/web_rolls.js" "$engine" "$work/Tables" Grammar \
    "$count" "$calls")
  web=$(awk -v n="$rolls" -v t="$seconds" 'BEGIN { print n / t }')
  decode=$(awk -v n="$rolls" -v t="$decoding" 'BEGIN { print n / t }')
  decode_best=$(awk -v a="$decode_best" -v b="$decode" 'BEGIN { print (b > a ? b : a) }')
  native_best=$(awk -v a="$native_best" -v b="$native" 'BEGIN { print (b > a ? b : a) }')
  web_best=$(awk -v a="$web_best" -v b="$web" 'BEGIN { print (b > a ? b : a) }')
done
awk -v w="$web_best" -v n="$native_best" -v d="$decode_best" 'BEGIN {
  ratio = w / n
  printf "%-40s %12.0f rolls/s\n", "native fablewick-cli", n
  printf "%-40s %12.0f rolls/s\n", "web engine under Node.js", w
  printf "%-40s %12.2f (at least 0.5: %s)\n", "web / native", ratio, (ratio >= 0.5 ? "ok" : "MISSED")
  printf "%-40s %12.0f rolls/s (%.2f of native with the engine)\n",
    "  a page decoding the documents too", 1 / (1 / w + 1 / d), (1 / (1 / w + 1 / d)) / n
  exit (ratio >= 0.5 ? 0 : 1) }'
