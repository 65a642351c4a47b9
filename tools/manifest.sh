# Sourced by the scripts in tools/: the table of MEX functions (mex_functions.txt)
# and the floating-point flags (fp_flags.txt), read the way CMake reads them.

TAVRIX_ROOT=${TAVRIX_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

# One line per MEX function: its name, its folder, the other folders it uses.
manifest_lines() {
  sed -e 's/#.*//' -e 's/[[:space:]]\+/ /g' -e 's/^ //' -e 's/ $//' "$TAVRIX_ROOT/mex_functions.txt" | grep -v '^$'
}

# The names of the MEX functions.
manifest_names() {
  manifest_lines | cut -d' ' -f1
}

# The flags of fp_flags.txt for one target: all or x86-32.
fp_flags() {
  sed -n "s/^$1[[:space:]]\+//p" "$TAVRIX_ROOT/fp_flags.txt"
}
