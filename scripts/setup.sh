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
  dpkg-dev pci.ids gcc
)

sudo_() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# Source packages (GLEW, Dear ImGui) come from a deb-src entry made from the
# machine's own Debian entry: same address, suite, components and key, so
# that set-up works behind a mirror or proxy. QV_APT_ETC points elsewhere
# for a test; "--sources-only" stops after this step.
. "$root/scripts/apt-sources.sh"
apt_etc="${QV_APT_ETC:-/etc/apt}"

have_src_entry() {
  qv_apt_entries "$apt_etc" | awk -F'\t' '$1 == "deb-src" { found = 1 } END { exit !found }'
}

write_src_entry() {
  local codename entry uri comps key
  codename=$(qv_debian_codename)
  entry=$(qv_apt_main_entry "$apt_etc" "$codename")
  if [ -z "$entry" ]; then
    echo "setup: no configured Debian entry for $codename with component main; add a deb-src entry by hand" >&2
    return 1
  fi
  IFS=$'\t' read -r _ uri _ comps key <<<"$entry"
  echo "setup: adding a deb-src entry for $uri $codename"
  {
    echo "Types: deb-src"
    echo "URIs: $uri"
    echo "Suites: $codename"
    echo "Components: $comps"
    [ -z "$key" ] || echo "Signed-By: $key"
  } | sudo_ tee "$apt_etc/sources.list.d/quorvel-src.sources" >/dev/null
}

updated=0
have_src_entry || write_src_entry
[ "${1:-}" = "--sources-only" ] && exit 0

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

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

# The 32-bit runtime the i686 tests run on (see scripts/wine32.sh).
bash "$root/scripts/wine32.sh" "$root/build/wine32"
[ $updated = 1 ] && echo "setup: done" || true
