#!/usr/bin/env bash
# Run after the virtual-LAN tests: fails when a namespace or hosts folder of
# theirs is still there. Their names carry the id of the test process that
# made them ("plv<pid>-..."); one whose process has ended (a test killed
# outright) is reported and removed, with whatever still runs inside it.
set -u
if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null; then
  echo "skipped: needs root and iproute2"
  exit 77
fi
found=0
leftover() { # name pid
  [ -d "/proc/$2" ] && grep -q vlan_tests "/proc/$2/comm" 2>/dev/null && return 1
  return 0
}
for name in $(ip netns list | awk '{print $1}' | grep -E '^plv[0-9]+-' || true); do
  pid="${name#plv}"; pid="${pid%%-*}"
  if leftover "$name" "$pid"; then
    echo "left behind: namespace $name"
    found=1
    for p in $(ip netns pids "$name" 2>/dev/null); do kill -9 "$p" 2>/dev/null; done
    ip netns del "$name"
  fi
done
for dir in /etc/netns/plv[0-9]*-*; do
  [ -d "$dir" ] || continue
  name="$(basename "$dir")"; pid="${name#plv}"; pid="${pid%%-*}"
  if leftover "$name" "$pid"; then
    echo "left behind: $dir"
    found=1
    rm -rf "$dir"
  fi
done
[ "$found" -eq 0 ] && echo "no namespace, link or hosts file of the virtual-LAN tests is left"
exit "$found"
