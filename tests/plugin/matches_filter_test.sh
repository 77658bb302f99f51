#!/bin/sh
# The plug-in under Wine stores exactly what the native filter prints: the
# bundled samples and a generated corpus go through kavora-host.exe with the
# plug-in (one Wine process, event 1002 for each message) and through
# mimedecode (one process), and every stored message must equal the
# filter's output byte for byte.
#   matches_filter_test.sh WINE_RUN ARCH HOST DLL MIMEDECODE SAMPLES MAKE_CORPUS COUNT
# Exits 77 (skipped) when the native filter has not been built or Wine
# cannot run ARCH here.
set -u
wine_run=$1 arch=$2 host=$3 dll=$4 mimedecode=$5 samples=$6 make_corpus=$7 count=$8

if [ ! -x "$mimedecode" ]; then
  echo "skipped: no native mimedecode at $mimedecode (build the native preset first)"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/store" "$work/expected"
for f in "$samples"/*.eml; do cp "$f" "$work/store/s-${f##*/}"; done
python3 "$make_corpus" "$work/store" "$count" 20261211 || exit 1
cp "$host" "$work/kavora-host.exe"
cp "$dll" "$work/ravlet.dll"

# One filter process for all (-i rewrites in place only what needs it,
# which is what it prints for each file without -i); status 1 means some
# message could not be decoded and was left as it is.
cp "$work"/store/* "$work/expected/"
"$mimedecode" -i "$work"/expected/* 2>/dev/null
[ $? -le 1 ] || { echo "mimedecode -i failed"; exit 1; }

(cd "$work" && "$wine_run" "$arch" ./kavora-host.exe --each --log host.log ravlet.dll store 1002)
status=$?
[ $status -eq 77 ] && exit 77
if [ $status -ne 0 ]; then
  echo "kavora-host exited with $status"
  cat "$work/host.log"
  exit 1
fi

total=$(ls "$work/store" | wc -l)
differing=$(diff -rq "$work/expected" "$work/store" | sed -n 's|^Files .*/expected/\([^ ]*\) and .*|\1|p')
failed=$(printf '%s' "$differing" | grep -c .)
for name in $(printf '%s\n' "$differing" | head -5); do
  echo "differs from mimedecode: $name (first differing bytes: offset, filter, plug-in)"
  cmp -l "$work/expected/$name" "$work/store/$name" | head -5
done
replaced=$(grep -c 'KVA_ReplaceMessage(.*-> 1$' "$work/host.log")
notes=$(grep -c '^  note:' "$work/host.log")
echo "$total messages, $replaced replaced by the plug-in, $failed differing from mimedecode, $notes host notes"
grep '^  note:' "$work/host.log" | sort | uniq -c
[ $failed -eq 0 ] && [ $notes -eq 0 ]
