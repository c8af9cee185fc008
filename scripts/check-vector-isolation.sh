#!/usr/bin/env bash
# check-vector-isolation.sh [BUILD_DIR]
# The AVX2 code may run only after the processor has been asked: no AVX2
# (ymm) instruction may appear in any object file of the codec but the two
# AVX2 kernel files, and no fused multiply-add or AVX-512 (zmm) anywhere,
# since either would change the encoder's bits or fault on older processors.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
objects=$(find "$build/codec" -name '*.o' | sort)
[ -n "$objects" ] || { echo "check-vector-isolation: no object files under $build/codec" >&2; exit 1; }
status=0
for object in $objects; do
  listing=$(objdump -d --no-show-raw-insn "$object")
  case "$object" in
    */lane_kernels_avx2.cpp.o | */decode_kernels_avx2.cpp.o)
      # The check itself must see AVX2 where it is meant to be.
      if ! grep -q '%ymm' <<<"$listing"; then
        echo "check-vector-isolation: $object holds no AVX2 instruction: the check cannot see them" >&2
        status=1
      fi
      ;;
    *)
      if grep -q '%ymm' <<<"$listing"; then
        echo "check-vector-isolation: $object holds AVX2 (ymm) instructions" >&2
        status=1
      fi
      ;;
  esac
  if grep -qE 'vfn?m(add|sub)|%zmm' <<<"$listing"; then
    echo "check-vector-isolation: $object holds FMA or AVX-512 instructions" >&2
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "check-vector-isolation: $(wc -w <<<"$objects") objects checked; AVX2 only in the two AVX2 kernel files, no FMA, no AVX-512"
exit "$status"
