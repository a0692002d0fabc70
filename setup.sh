#!/usr/bin/env bash
# Set-up for a Debian 12 machine: installs what is missing, builds (Release),
# then runs the program ("./setup.sh run", which needs a display) or the whole test suite ("./setup.sh test").
set -euo pipefail
cd "$(dirname "$0")"

mode="${1:-run}"
packages=(build-essential cmake ninja-build pkg-config
          libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev libgl-dev qt6-multimedia-dev fonts-liberation2
          clang libclang-rt-14-dev
          fairymax phalanx sjeng gnuchess hoichess fairy-stockfish stockfish polyglot
          pgn-extract
          xvfb appstream desktop-file-utils dpkg-dev
          iproute2 nftables miniupnpd-nftables libminiupnpc-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  # The UPnP daemon is only for the router test, which runs it inside a
  # namespace of its own: it must never start as this machine's service.
  for owner in miniupnpd miniupnpd-nftables; do
    echo "$owner miniupnpd/start_daemon boolean false" | $sudo debconf-set-selections 2>/dev/null || true
  done
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  if command -v systemctl >/dev/null && systemctl is-enabled miniupnpd >/dev/null 2>&1; then
    $sudo systemctl disable --now miniupnpd || true
  fi
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"

case "$mode" in
  run)
    exec build/app/pellomar
    ;;
  test)
    ctest --test-dir build --output-on-failure -j"$(nproc)"
    ;;
  *)
    echo "usage: ./setup.sh run|test" >&2
    exit 2
    ;;
esac
