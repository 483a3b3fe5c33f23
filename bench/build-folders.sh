# Sourced by the benchmarks that compare build folders: `take_builds program
# default folders...` makes `builds` the folders' full paths (the default
# when none is given), each checked to hold the program.
take_builds() {
  local program=$1 default=$2 folder
  shift 2
  builds=()
  for folder in "${@:-$default}"; do
    builds+=("$(realpath "$folder")")
    [ -e "${builds[-1]}/$program" ] || { echo "no $program in $folder: build it first" >&2; exit 1; }
  done
}
