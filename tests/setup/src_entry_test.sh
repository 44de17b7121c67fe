#!/usr/bin/env bash
# scripts/setup.sh makes its deb-src entry from the configured Debian entry
# (address, suite, components, key), in either sources form, and only once.
# Every case runs against a copy of a sources tree in a temporary folder,
# never against the machine's own. Usage: src_entry_test.sh REPO_ROOT
set -u
repo="$1"
. "$repo/scripts/apt-sources.sh"
c=$(qv_debian_codename)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
FAILS=0; PASSES=0
check() { local what="$1"; shift
  if "$@"; then PASSES=$((PASSES + 1)); echo "ok: $what"; else FAILS=$((FAILS + 1)); echo "FAIL: $what"; fi; }
setup() { QV_APT_ETC="$1" bash "$repo/scripts/setup.sh" --sources-only >"$1/out" 2>&1; }

# Each case: a name, the sources it starts from (sources.list, then one
# deb822 file), and the entry expected afterwards ("-" for none and a failure).
names=(); lists=(); deb822s=(); expects=()
add() { names+=("$1"); lists+=("$2"); deb822s+=("$3"); expects+=("$4"); }

add "deb822 entry behind a mirror" "" \
"Types: deb
URIs: http://apt-mirror.invalid/debian
Suites: $c $c-updates
Components: main contrib
Signed-By: /usr/share/keyrings/mirror.gpg

Types: deb
URIs: http://apt-mirror.invalid/debian-security
Suites: $c-security
Components: main" \
"Types: deb-src
URIs: http://apt-mirror.invalid/debian
Suites: $c
Components: main contrib
Signed-By: /usr/share/keyrings/mirror.gpg"

add "one-line entry through a proxy, after the security one" \
"# local proxy
deb http://apt-proxy.invalid:3142/security $c-security main
deb [arch=amd64 signed-by=/etc/apt/keyrings/proxy.gpg] http://apt-proxy.invalid:3142/debian $c main non-free-firmware" "" \
"Types: deb-src
URIs: http://apt-proxy.invalid:3142/debian
Suites: $c
Components: main non-free-firmware
Signed-By: /etc/apt/keyrings/proxy.gpg"

add "a disabled deb822 entry is passed over" \
"deb http://apt-second.invalid/debian $c main" \
"Types: deb
URIs: http://apt-first.invalid/debian
Suites: $c
Components: main
Enabled: no" \
"Types: deb-src
URIs: http://apt-second.invalid/debian
Suites: $c
Components: main"

add "no entry of this release with main: a clear failure, nothing written" \
"deb http://apt-mirror.invalid/debian $c-backports main
deb http://apt-mirror.invalid/debian $c contrib" "" "-"

for i in "${!names[@]}"; do
  etc="$tmp/case$i"
  mkdir -p "$etc/sources.list.d"
  [ -z "${lists[$i]}" ] || printf '%s\n' "${lists[$i]}" > "$etc/sources.list"
  [ -z "${deb822s[$i]}" ] || printf '%s\n' "${deb822s[$i]}" > "$etc/sources.list.d/debian.sources"
  setup "$etc"; rc=$?
  written="$etc/sources.list.d/quorvel-src.sources"
  if [ "${expects[$i]}" = "-" ]; then
    check "${names[$i]}: exits non-zero" test "$rc" != 0
    check "${names[$i]}: says why" grep -q "no configured Debian entry" "$etc/out"
    check "${names[$i]}: writes no entry" test ! -e "$written"
  else
    check "${names[$i]}: exits 0 (got $rc)" test "$rc" = 0
    check "${names[$i]}: entry as expected" sh -c "printf '%s\n' \"\$1\" | cmp -s - '$written'" _ "${expects[$i]}"
    # Idempotent: a second run finds the entry and leaves it alone.
    cp "$written" "$tmp/before"; touch -d '2000-01-01' "$written"
    setup "$etc"; rc=$?
    check "${names[$i]}: a second run keeps the entry (rc $rc)" \
      sh -c "cmp -s '$tmp/before' '$written' && test \$(stat -c %Y '$written') = \$(date -d 2000-01-01 +%s)"
  fi
done
echo "$PASSES passed, $FAILS failed"
[ "$FAILS" = 0 ]
