# Shared by the Wine runners (wine-run.sh, wine32/wine-run32.sh): makes a
# prefix once, under a lock that concurrent tests share, with the runner's
# own boot function, and marks it ready.
qv_ensure_prefix() {  # PREFIX BOOT_FUNCTION
  local prefix="$1" boot="$2"
  [ -f "$prefix/.qv-ready" ] && return 0
  mkdir -p "$(dirname "$prefix")"
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -f "$prefix/.qv-ready" ]; then
    rm -rf "$prefix"
    "$boot"
    [ -d "$prefix/drive_c/windows/system32" ] || { echo "$(basename "$0"): could not create $prefix" >&2; exit 2; }
    touch "$prefix/.qv-ready"
  fi
  flock -u 9
}
