# Reads the machine's configured apt sources, in both forms: the one-line
# "sources.list" files and the deb822 ".sources" files. Sourced by setup.sh
# and wine32.sh, which take every archive address from here and never name
# one of their own (so that set-up follows a mirror or a proxy).

# qv_apt_entries ETC_DIR
# Prints one line per enabled entry and suite:
#   TYPE<TAB>URI<TAB>SUITE<TAB>COMPONENTS<TAB>SIGNED_BY
# COMPONENTS are space-separated; SIGNED_BY is a key file or empty.
qv_apt_entries() {
  local etc="$1" f
  local lists=() deb822=()
  [ -f "$etc/sources.list" ] && lists+=("$etc/sources.list")
  for f in "$etc"/sources.list.d/*.list; do [ -f "$f" ] && lists+=("$f"); done
  for f in "$etc"/sources.list.d/*.sources; do [ -f "$f" ] && deb822+=("$f"); done
  if [ ${#lists[@]} -gt 0 ]; then
    awk '
      { sub(/#.*/, "") }
      NF < 3 { next }
      $1 != "deb" && $1 != "deb-src" { next }
      {
        type = $1; i = 2; key = ""
        # Options: "[a=b c=d]", possibly split over several fields.
        if ($2 ~ /^\[/) {
          opts = ""
          for (; i <= NF; i++) { opts = opts " " $i; if ($i ~ /\]$/) { i++; break } }
          gsub(/[\[\]]/, "", opts)
          n = split(opts, kv, " ")
          for (k = 1; k <= n; k++) if (tolower(kv[k]) ~ /^signed-by=/) key = substr(kv[k], 11)
        }
        uri = $i; suite = $(i + 1); comps = ""
        for (j = i + 2; j <= NF; j++) comps = comps (comps == "" ? "" : " ") $j
        if (uri != "" && suite != "") printf "%s\t%s\t%s\t%s\t%s\n", type, uri, suite, comps, key
      }' "${lists[@]}"
  fi
  if [ ${#deb822[@]} -gt 0 ]; then
    awk '
      function flush(   t, u, s, nt, nu, ns, a, b, c) {
        if (enabled != "no" && types != "" && uris != "" && suites != "") {
          nt = split(types, t, " "); nu = split(uris, u, " "); ns = split(suites, s, " ")
          for (a = 1; a <= nt; a++) for (b = 1; b <= nu; b++) for (c = 1; c <= ns; c++)
            printf "%s\t%s\t%s\t%s\t%s\n", t[a], u[b], s[c], comps, key
        }
        types = uris = suites = comps = key = enabled = field = ""
      }
      FNR == 1 { flush() }
      /^[ \t]*#/ { next }
      /^[ \t]*$/ { flush(); next }
      /^[ \t]/ {
        # Continuation line: extends a list field; a key block inline is not a file.
        if (field == "uris") uris = uris " " $0
        else if (field == "suites") suites = suites " " $0
        else if (field == "components") comps = comps " " $0
        else if (field == "types") types = types " " $0
        next
      }
      {
        p = index($0, ":"); if (!p) next
        field = tolower(substr($0, 1, p - 1)); value = substr($0, p + 1)
        gsub(/^[ \t]+|[ \t]+$/, "", value)
        if (field == "types") types = value
        else if (field == "uris") uris = value
        else if (field == "suites") suites = value
        else if (field == "components") comps = value
        else if (field == "enabled") enabled = tolower(value)
        else if (field == "signed-by") key = (value ~ /^\// ? value : "")
      }
      END { flush() }' "${deb822[@]}" | awk -F'\t' 'BEGIN { OFS = "\t" } { gsub(/[ \t]+/, " ", $4); sub(/^ /, "", $4); print }'
  fi
}

# qv_apt_main_entry ETC_DIR SUITE
# The first binary entry of SUITE that carries the "main" component: the
# machine's own Debian archive. Same columns as qv_apt_entries.
qv_apt_main_entry() {
  qv_apt_entries "$1" | awk -F'\t' -v suite="$2" '
    $1 == "deb" && $3 == suite && (" " $4 " ") ~ / main / { print; exit }'
}

# The release this machine runs (its codename, as the archive's suites name it).
qv_debian_codename() {
  local name=""
  [ -r /etc/os-release ] && name=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  echo "${name:-bookworm}"
}
