# shellcheck shell=bash
# Sourced by ./run and the scripts in tools/: installs missing Debian packages
# as far as the archive allows.
#   packages_require <tag> <package...>       a required part needs them: one that
#                                             cannot be installed ends the script
#   packages_want <tag> <why> <package...>    an optional part needs them: one that
#                                             cannot be installed is skipped, saying
#                                             so, and added to PACKAGES_SKIPPED
#   packages_skipped <package>                whether it was skipped
# A failed `apt-get update` (an index that does not download) is a warning: apt
# installs from the lists it already has.
# TAVRIX_APT_FAIL simulates a broken archive for the tests (tools/test-install.sh):
# the packages it lists count as missing and fail to install, without calling
# apt; the word `update` in it makes the update fail.
PACKAGES_SKIPPED=" "
PACKAGES_UPDATED=

packages_simulated() {  # <package|update>
  [[ " ${TAVRIX_APT_FAIL:-} " == *" $1 "* ]]
}

packages_missing() {  # <package...>: prints those not installed
  local p
  for p in "$@"; do
    if packages_simulated "$p" ||
       ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      echo "$p"
    fi
  done
}

# apt's own reason, on one line: its E: lines, or its last line if it printed none.
packages_reason() {  # <apt's output>
  local reason
  reason=$(grep '^E: ' <<<"$1" | sed 's/^E: //' | paste -sd ';' - | sed 's/;/; /g')
  [ -n "$reason" ] || reason=$(tail -n 1 <<<"$1")
  echo "${reason:-no message}"
}

packages_update() {  # <tag> <package...>: before the first install, and again once i386 is added
  local tag=$1 output status=0 real=() p; shift
  for p in "$@"; do packages_simulated "$p" || real+=("$p"); done
  if [[ " ${real[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "$tag: dpkg --add-architecture i386"
    dpkg --add-architecture i386
    PACKAGES_UPDATED=
  fi
  [ -z "$PACKAGES_UPDATED" ] || return 0
  PACKAGES_UPDATED=1
  if packages_simulated update; then
    output="E: Failed to fetch i386 Packages  File has unexpected size (simulated by TAVRIX_APT_FAIL)"
    status=100
  elif [ ${#real[@]} -gt 0 ]; then
    output=$(apt-get update -qq 2>&1) || status=$?
  fi
  [ "$status" -eq 0 ] ||
    echo "$tag: warning: apt-get update failed ($(packages_reason "$output")); installing from the lists apt has" >&2
}

packages_install() {  # <package...>: apt's output on failure, nothing on success
  local p output
  for p in "$@"; do
    if packages_simulated "$p"; then
      echo "E: Unable to correct problems, you have held broken packages. (simulated by TAVRIX_APT_FAIL)"
      return 100
    fi
  done
  output=$(DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" 2>&1) ||
    { local status=$?; echo "$output"; return $status; }
}

packages_require() {  # <tag> <package...>
  local tag=$1 missing p output failed=0; shift
  mapfile -t missing < <(packages_missing "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "$tag: installing ${missing[*]}"
  packages_update "$tag" "${missing[@]}"
  packages_install "${missing[@]}" >/dev/null && return 0
  # One at a time, to name the ones apt refuses and say why.
  for p in "${missing[@]}"; do
    if ! output=$(packages_install "$p"); then
      echo "$tag: cannot install $p, which is required: $(packages_reason "$output")" >&2
      failed=1
    fi
  done
  [ "$failed" -eq 0 ] || exit 1
}

packages_want() {  # <tag> <why> <package...>
  local tag=$1 why=$2 missing p output; shift 2
  mapfile -t missing < <(packages_missing "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "$tag: installing ${missing[*]}"
  packages_update "$tag" "${missing[@]}"
  for p in "${missing[@]}"; do
    if ! output=$(packages_install "$p"); then
      echo "$tag: skipped $p, needed only $why: $(packages_reason "$output")"
      PACKAGES_SKIPPED+="$p "
    fi
  done
}

packages_skipped() {  # <package>
  [[ "$PACKAGES_SKIPPED" == *" $1 "* ]]
}
