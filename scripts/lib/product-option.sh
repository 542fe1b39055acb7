# Sourced by the scripts that take `--profile FILE` for another product than the shipped one.
#   read_product_option SCRIPT "$@"   sets `profile` to FILE, made absolute from the folder the script was
#                                     started in (so call it before any cd), or to nothing without the
#                                     option; any other argument stops the script with its usage
#   locate_product                    once the kit runs (after the install): stops on a faulty profile,
#                                     resolves links in `profile` and sets `trees`, the product's own build
#                                     trees (build/product-<volume name>-<8 hex digits of the profile's
#                                     path>, in small letters); leaves both empty without one
read_product_option() {
  local script=$1
  shift
  profile=""
  case "${1:-}" in
    --profile) [ $# -eq 2 ] || { echo "usage: $script [--profile FILE]" >&2; exit 2; }
               case $2 in /*) profile=$2 ;; *) profile=$PWD/$2 ;; esac ;;
    "") ;;
    *) echo "usage: $script [--profile FILE]" >&2; exit 2 ;;
  esac
}

locate_product() {
  trees=""
  [ -n "$profile" ] || return 0
  tools/kit profile check "$profile" || exit 1
  profile=$(realpath "$profile")
  # Keyed by the profile's own path as well as its volume name: two profiles never share a tree, even
  # two copies of one example that keep its volume name.
  local volume key
  volume=$(tools/kit profile get "$profile" volume_name | tr 'A-Z' 'a-z')
  key=$(printf '%s' "$profile" | sha256sum | cut -c1-8)
  trees=build/product-$volume-$key
}
