#!/usr/bin/env bash
# Measures the tray item idling under a real host (xfce4-panel with sntray) while its label changes once a
# minute: the D-Bus messages it sends, by kind, and its CPU time. Not a test; run by hand from the build dir:
#   measure_tray_idle.sh PROBE [SECONDS]     (default 180 s: three label changes)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
probe=$1
seconds=${2:-180}
# The monitor log stays for a closer look: MEASURE_DIR, or a fresh temporary folder.
work=${MEASURE_DIR:-$(mktemp -d)}
mkdir -p "$work"

MONITOR_LOG=$work/monitor.log PROBE_TIMEOUT=$((seconds + 40)) \
  "$here/xfce_panel_host.sh" "$probe" "$work" --idle "$seconds" | tee "$work/probe.out"

unique=$(sed -n 's/.*(unique name \(:[0-9.]*\)).*/\1/p' "$work/probe.out")
start=$(sed -n 's/^idle-start \([0-9.]*\).*/\1/p' "$work/probe.out")
end=$(sed -n 's/^idle-end \([0-9.]*\).*/\1/p' "$work/probe.out")
changes=$(sed -n 's/.*: \([0-9]*\) label changes.*/\1/p' "$work/probe.out")
awk -v who="$unique" -v start="$start" -v end="$end" -v changes="$changes" '
  /^(signal|method call|method return|error) / {
    t = ""; s = ""; m = ""
    for (i = 1; i <= NF; i++) {
      if ($i ~ /^time=/) t = substr($i, 6)
      if ($i ~ /^sender=/) s = substr($i, 8)
      if ($i ~ /^member=/) m = substr($i, 8)
    }
    if (s != who || t < start || t > end) next
    kind = ($1 == "method" && $2 == "return") ? "reply" : ($1 == "signal" ? "signal " m : $1 " " m)
    count[kind]++; total++
  }
  END {
    minutes = (end - start) / 60
    printf "messages sent by the item in %.1f min: %d (%.1f a minute, %.1f per label change)\n",
      minutes, total, total / minutes, changes ? total / changes : 0
    for (k in count) printf "  %-40s %d\n", k, count[k]
  }' "$work/monitor.log"
