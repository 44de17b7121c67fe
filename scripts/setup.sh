#!/usr/bin/env bash
# Installs everything the cross build and the Wine test run need on Debian 12.
# Idempotent: returns quickly when everything is already there.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

packages=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix gcc-mingw-w64-i686-posix
  gcc-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  mingw-w64-tools cmake make wine wine64 xvfb xauth
  mesa-vulkan-drivers libvulkan1 libvulkan-dev pocl-opencl-icd ocl-icd-libopencl1
  opencl-c-headers libstb-dev glslang-tools libxml2-utils imagemagick googletest
  dpkg-dev pci.ids
)

sudo_() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

have_src_entry() {
  grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null
}

updated=0
if ! have_src_entry; then
  echo "setup: adding a deb-src entry for Debian's main archive"
  sudo_ tee /etc/apt/sources.list.d/quorvel-src.sources >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
fi

srcdir="$root/third_party/src"
need_src=0
ls "$srcdir"/glew_*.dsc >/dev/null 2>&1 || need_src=1
ls "$srcdir"/imgui_*.dsc >/dev/null 2>&1 || need_src=1

if [ ${#missing[@]} -gt 0 ] || [ $need_src = 1 ]; then
  echo "setup: apt-get update"
  sudo_ env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  updated=1
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_ env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ $need_src = 1 ]; then
  mkdir -p "$srcdir"
  (cd "$srcdir" && apt-get source --download-only glew imgui)
fi

# Unpack the source packages once (dpkg-source applies Debian's patches).
unpack() {
  local name="$1" dsc
  dsc=$(ls "$srcdir"/${name}_*.dsc | head -n 1)
  if [ ! -d "$srcdir/$name" ]; then
    rm -rf "$srcdir/$name.tmp"
    dpkg-source --no-check -x "$dsc" "$srcdir/$name.tmp" >/dev/null
    mv "$srcdir/$name.tmp" "$srcdir/$name"
  fi
}
unpack glew
unpack imgui

# The cross compilers see only these header trees, never /usr/include itself.
inc="$root/third_party/include"
mkdir -p "$inc"
for tree in vulkan vk_video CL stb; do
  if [ -d "/usr/include/$tree" ] && [ ! -e "$inc/$tree" ]; then
    cp -r "/usr/include/$tree" "$inc/$tree"
  fi
done
[ $updated = 1 ] && echo "setup: done" || true
