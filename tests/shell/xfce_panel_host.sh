#!/usr/bin/env bash
# Runs the tray probe against a real StatusNotifierItem host: xfce4-panel with the sntray plugin, on its own
# Xvfb and its own session bus, with a panel configuration of its own (one top panel holding the tray, labels
# on). Nothing of the desktop's session, display or settings is touched.
#   xfce_panel_host.sh PROBE OUT_DIR [PROBE_ARGS...]      (PROBE_ARGS default to OUT_DIR: the screenshot check)
# With MONITOR_LOG set, every message on the private bus is logged there (dbus-monitor) while the probe runs.
# PROBE_TIMEOUT (seconds, default 50) bounds the probe, for the longer idle measurement.
# Exits 77 (skipped) when the host's packages are not installed.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
probe=$1
out=$2
shift 2
[[ $# -gt 0 ]] || set -- "$out"

if [[ -z "${LUMORA_HOST_INNER:-}" ]]; then
  panel=$(command -v xfce4-panel || true)
  xfconfd=$(ls /usr/lib/*/xfce4/xfconf/xfconfd 2>/dev/null | head -n1 || true)
  plugin=$(ls /usr/lib/*/xfce4/panel/plugins/libsntray-xfce.so 2>/dev/null | head -n1 || true)
  if [[ -z "$panel" || -z "$xfconfd" || -z "$plugin" ]] || ! command -v Xvfb >/dev/null; then
    echo "skipped: xfce4-panel, xfce4-sntray-plugin or Xvfb is not installed (scripts/install-deps)"
    exit 77
  fi
  mkdir -p "$out"
  exec dbus-run-session --config-file="$here/../core/test-session-bus.conf" -- \
    env LUMORA_HOST_INNER=1 LUMORA_XFCONFD="$xfconfd" "$0" "$probe" "$out" "$@"
fi

tmp=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config XDG_CACHE_HOME=$tmp/cache XDG_DATA_HOME=$tmp/data
export XDG_RUNTIME_DIR=$tmp/runtime XDG_CONFIG_DIRS=$tmp/config-dirs XDG_CURRENT_DESKTOP=XFCE
mkdir -p "$HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_DIRS" "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset SESSION_MANAGER

# The sntray plugin reads its settings at the doubled path /plugins/plugin-1/plugins/plugin-1/.
cat >"$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="sntray">
      <property name="plugins" type="empty">
        <property name="plugin-1" type="empty">
          <property name="show-ayatana-labels" type="bool" value="true"/>
        </property>
      </property>
    </property>
  </property>
</channel>
XML

exec 3>"$tmp/display"
Xvfb -displayfd 3 -screen 0 "${LUMORA_HOST_SCREEN:-640x120x24}" -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [[ -s "$tmp/display" ]] && break; sleep 0.05; done
export DISPLAY=:$(head -n1 "$tmp/display")

"$LUMORA_XFCONFD" >"$tmp/xfconfd.log" 2>&1 &
pids+=($!)
xfce4-panel --disable-wm-check >"$tmp/panel.log" 2>&1 &
pids+=($!)

if [[ -n "${MONITOR_LOG:-}" ]]; then
  dbus-monitor --session >"$MONITOR_LOG" 2>&1 &
  pids+=($!)
  sleep 0.3
fi

status=0
QT_QPA_PLATFORM=xcb timeout "${PROBE_TIMEOUT:-50}" "$probe" "$@" || status=$?
if [[ $status -ne 0 ]]; then
  echo "--- panel log"; tail -n 20 "$tmp/panel.log"
  echo "--- xfconfd log"; tail -n 5 "$tmp/xfconfd.log"
fi
exit $status
