# Shared by the Wine runners (wine-run.sh, wine32/wine-run32.sh): makes a
# prefix once, under a lock that concurrent tests share, with the runner's
# own boot function, and marks it ready.
qv_ensure_prefix() {  # PREFIX BOOT_FUNCTION
  local prefix="$1" boot="$2" try
  [ -f "$prefix/.qv-ready" ] && return 0
  mkdir -p "$(dirname "$prefix")"
  exec 9>"$prefix.lock"
  flock 9
  # A first boot can fail when the machine is busy (wineboot gives up at
  # once while another prefix's server is still starting or ending): try
  # again once, and show what the boot said when both fail.
  for try in 1 2; do
    [ -f "$prefix/.qv-ready" ] && break
    rm -rf "$prefix"
    "$boot" >"$prefix.boot.log" 2>&1
    if [ -d "$prefix/drive_c/windows/system32" ]; then
      touch "$prefix/.qv-ready"
    elif [ "$try" = 2 ]; then
      echo "$(basename "$0"): could not create $prefix; the boot said:" >&2
      cat "$prefix.boot.log" >&2
      exit 2
    else
      sleep 2
    fi
  done
  flock -u 9
}
