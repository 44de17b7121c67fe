#!/usr/bin/env bash
# Prepares the private 32-bit Wine runtime that runs the shipped i686 binaries
# in the tests: Debian's 32-bit Wine, Mesa (llvmpipe, lavapipe) and their i386
# libraries unpacked under DEST (nothing installed, no foreign architecture
# added to the machine), run under the user-mode emulator qemu-i386, since
# this kind of machine executes no 32-bit code natively.
# Idempotent: returns at once when DEST holds a runtime of this recipe.
# Usage: wine32.sh DEST
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dest="$1"
. "$root/scripts/apt-sources.sh"

# What the runtime holds. Wine's own i386 dependencies come with wine32; the
# rest is what the loaded drivers need (X, OpenGL, Vulkan, fonts).
i386_packages=(
  wine32 libgl1 libglx-mesa0 libgl1-mesa-dri mesa-vulkan-drivers libvulkan1
  libx11-6 libxext6 libxrender1 libxrandr2 libxi6 libxcursor1 libxinerama1
  libxcomposite1 libxfixes3 libxxf86vm1 libfreetype6 libfontconfig1
)
# Architecture-independent packages the runtime needs (zlib1.dll for Wine).
all_packages=(libz-mingw-w64)
# qemu-user 10 of the next release: the current one's 7.2 spends about 50 s
# of processor time starting every Wine process.
qemu_suite=trixie

shim_src="$root/tests/wine32/runtime_shim.c"
preloader_src="$root/tests/wine32/wine-preloader.in"
recipe=$(cat "$0" | sha1sum | cut -c1-12)
ready="$dest/.ready-$recipe"

# The cheap parts are refreshed on every run, so edits to them apply at once.
finish() {
  if [ ! -f "$dest/lib/runtime_shim.so" ] || [ "$shim_src" -nt "$dest/lib/runtime_shim.so" ]; then
    mkdir -p "$dest/lib"
    gcc -m32 -O2 -Wall -Wextra -ffreestanding -fno-stack-protector -fPIC -shared -nostdlib \
      -o "$dest/lib/runtime_shim.so.tmp" "$shim_src"
    mv "$dest/lib/runtime_shim.so.tmp" "$dest/lib/runtime_shim.so"
  fi
  # The emulated loader reads its files through qemu's prefix: the preload
  # list below is seen by 32-bit processes only, never by the host's.
  mkdir -p "$dest/root/etc"
  echo "$dest/lib/runtime_shim.so" > "$dest/root/etc/ld.so.preload"
  sed -e "s|@QEMU@|$dest/bin/qemu-i386|" -e "s|@ROOT@|$dest/root|" "$preloader_src" \
    > "$dest/root/usr/lib/wine/wine-preloader.tmp"
  chmod +x "$dest/root/usr/lib/wine/wine-preloader.tmp"
  mv "$dest/root/usr/lib/wine/wine-preloader.tmp" "$dest/root/usr/lib/wine/wine-preloader"
}

if [ -f "$ready" ]; then finish; exit 0; fi

mkdir -p "$dest"
exec 9>"$dest.lock"
flock 9
if [ -f "$ready" ]; then finish; exit 0; fi
echo "wine32: preparing the 32-bit runtime in $dest"
start=$(date +%s)
rm -rf "$dest/root" "$dest/bin" "$dest/apt" "$dest"/.ready-*

# A private apt: its own lists and cache, an empty package status, both
# architectures, and the machine's own Debian entries (addresses and keys).
apt="$dest/apt"
mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/debs" "$apt/none"
: > "$apt/status"
codename=$(qv_debian_codename)
main=$(qv_apt_main_entry /etc/apt "$codename")
[ -n "$main" ] || { echo "wine32: no configured Debian entry for $codename with component main" >&2; exit 1; }
line() { # TYPE URI SUITE COMPONENTS KEY ARCHS
  local opts="arch=$6"
  [ -z "$5" ] || opts="$opts signed-by=$5"
  echo "deb [$opts] $2 $3 $4"
}
{
  # The release's own suites (updates, security) from wherever they are configured.
  qv_apt_entries /etc/apt | awk -F'\t' -v c="$codename" '$1 == "deb" && ($3 == c || index($3, c "-") == 1)' |
    while IFS=$'\t' read -r t u s comps key; do line "$t" "$u" "$s" "$comps" "$key" amd64,i386; done
  # The next release for the emulator only: the same archive under its suite.
  IFS=$'\t' read -r t u _ comps key <<<"$main"
  [ "$codename" = "$qemu_suite" ] || line "$t" "$u" "$qemu_suite" "$comps" "$key" amd64
} > "$apt/sources.list"
cat > "$apt/apt.conf" <<CONF
Dir::State::Lists "$apt/lists";
Dir::State::status "$apt/status";
Dir::Cache "$apt/cache";
Dir::Etc::SourceList "$apt/sources.list";
Dir::Etc::SourceParts "$apt/none";
Dir::Etc::Preferences "$apt/none";
Dir::Etc::PreferencesParts "$apt/none";
APT::Architectures { "amd64"; "i386"; };
APT::Default-Release "$codename";
APT::Sandbox::User "root";
CONF
export APT_CONFIG="$apt/apt.conf"
# A list that did not arrive (a busy mirror or proxy) is asked for again: the
# next release's emulator is what keeps the 32-bit tier fast.
# (The policy is read whole first: with pipefail, grep -q quitting early would
# fail the pipeline through apt-cache's broken pipe.)
have_qemu() {
  local policy
  policy=$(apt-cache policy qemu-user 2>/dev/null || true)
  grep -qE " $qemu_suite/[^ ]+ amd64 Packages" <<<"$policy"
}
for try in 1 2 3; do
  apt-get update -qq || echo "wine32: some package lists could not be fetched" >&2
  have_qemu && break
  [ "$codename" = "$qemu_suite" ] && break
  echo "wine32: no $qemu_suite list yet (try $try)" >&2
  sleep $((try * 5))
done
# Without the next release's emulator, the current release's (static) one
# still works, only far more slowly at every process start.
qemu_pkg="qemu-user/$qemu_suite" qemu_bin=qemu-i386
if ! have_qemu; then
  echo "wine32: no qemu-user in $qemu_suite here; using $codename's qemu-user-static (slow)" >&2
  qemu_pkg=qemu-user-static qemu_bin=qemu-i386-static
fi

# The whole dependency closure as apt would install it on an empty system;
# only its i386 part (and the named architecture-independent packages) is
# unpacked, since the host's own amd64 libraries are there already.
want=()
for p in "${i386_packages[@]}"; do want+=("$p:i386"); done
apt-get install -s --no-install-recommends "${want[@]}" "${all_packages[@]}" > "$apt/closure.txt"
pick=$(awk '/^Inst / && /i386\]/ { v = $3; gsub(/[()]/, "", v); print $2 "=" v }' "$apt/closure.txt")
(cd "$apt/debs" && apt-get download -qq $pick "${all_packages[@]}" "$qemu_pkg")
echo "wine32: downloaded $(du -sm "$apt/debs" | cut -f1) MB in $(ls "$apt/debs" | wc -l) packages"

mkdir -p "$dest/root" "$dest/bin"
ls "$apt/debs"/*.deb | grep -v '/qemu-user' | xargs -P "$(nproc)" -n 4 sh -c \
  'for d; do dpkg-deb -x "$d" "$0" || exit 1; done' "$dest/root"
qemu_deb=$(ls "$apt/debs"/qemu-user*.deb)
dpkg-deb --fsys-tarfile "$qemu_deb" | tar -x -O "./usr/bin/$qemu_bin" > "$dest/bin/qemu-i386"
chmod +x "$dest/bin/qemu-i386"

# What Wine's install trigger does for zlib1.dll: a copy in Wine's own DLL
# folder that carries the builtin marker (32 bytes at 0x40), so that Wine
# loads it as one of its builtins.
zdir="$dest/root/usr/lib/i386-linux-gnu/wine/i386-windows"
cp "$dest/root/usr/i686-w64-mingw32/lib/zlib1.dll" "$zdir/zlib1.dll"
{ printf 'Wine builtin DLL'; head -c 16 /dev/zero; } | dd of="$zdir/zlib1.dll" bs=1 seek=64 conv=notrunc status=none
# A library cache of the runtime's own: the emulated loader reads it through
# qemu's prefix and finds every i386 library without searching.
printf '/lib/i386-linux-gnu\n/usr/lib/i386-linux-gnu\n' > "$dest/root/etc/ld.so.conf"
ldconfig -r "$dest/root" -X
rm -rf "$apt/debs" "$apt/cache"
finish
touch "$ready"
echo "wine32: ready in $(( $(date +%s) - start )) s ($(du -sm "$dest/root" | cut -f1) MB unpacked)"
