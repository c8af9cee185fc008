#!/usr/bin/env bash
# compare-builds.sh [LINUX_BUILD [WINDOWS_BUILD]]
# Runs the Linux Tessark and the Windows Tessark.exe (under Wine) on the same
# inputs - generated containers and standard DDS textures to decode, the
# sample textures, generated TGA sources and the decoded levels to encode,
# and the containers the encoder wrote to decode again -, then both Quorvel
# builds in directory mode on one work directory, and fails on any
# difference: every written file must be byte-identical, and the printed
# text and the material script must differ only by the CR LF line ends of
# Windows.
set -Eeuo pipefail
# A failing command names itself and its status before the script stops.
trap 'echo "compare-builds: \"$BASH_COMMAND\" failed with exit status $?" >&2' ERR
cd "$(dirname "$0")/.."
linux_build=${1:-build}
windows_build=${2:-build-win}
linux_tessark=$linux_build/codec/Tessark
windows_tessark=$windows_build/codec/Tessark.exe
linux_quorvel=$linux_build/driver/Quorvel
windows_quorvel=$windows_build/driver/Quorvel.exe
for program in "$linux_tessark" "$windows_tessark" "$linux_quorvel" "$windows_quorvel"; do
  [ -f "$program" ] || { echo "compare-builds: $program is not built" >&2; exit 1; }
done
linux_tessark=$(realpath "$linux_tessark")
windows_tessark=$(realpath "$windows_tessark")
linux_quorvel=$(realpath "$linux_quorvel")
windows_quorvel=$(realpath "$windows_quorvel")
wine_run=$(realpath cmake/wine-run.sh)
export WINEPREFIX=${WINEPREFIX:-$(realpath "$windows_build")/wine-prefix}

work=$(realpath "$windows_build")/compare-builds
rm -rf "$work"
mkdir -p "$work/inputs"

# --- Inputs -----------------------------------------------------------------

# High-entropy bytes that are the same on every run: the compressed samples,
# repeated to more than the largest input needs.
pool=$work/pool.bin
gzip -9 -n -c samples/textures/*.tga >"$work/samples.gz"
: >"$pool"
while [ "$(stat -c %s "$pool")" -lt 262144 ]; do cat "$work/samples.gz" >>"$pool"; done

# pool_bytes COUNT OFFSET: COUNT bytes of the pool from OFFSET on.
pool_bytes() {
  head -c $(($2 + $1)) "$pool" | tail -c "$1"
}

# le BYTES VALUE: VALUE as BYTES little-endian bytes.
le() {
  local bytes=$1 value=$2
  for ((i = 0; i < bytes; ++i)); do
    printf '%b' "\\x$(printf %02x $(((value >> (8 * i)) & 0xFF)))"
  done
}

# The byte count of all levels of a WIDTH x HEIGHT container of FORMAT.
levels_size() {
  local w=$1 h=$2 bpp=$(($3 == 3 ? 4 : 8)) total=0 bytes
  while :; do
    bytes=$((w * h * bpp / 8))
    ((bytes < 2 * bpp)) && bytes=$((2 * bpp))
    total=$((total + bytes))
    ((w == 1 || h == 1)) && break
    w=$((w / 2)) h=$((h / 2))
  done
  echo "$total"
}

# container NAME WIDTH HEIGHT FORMAT [MEAN_ALPHA_BITS [EXTRA_BYTES]]: a
# container whose blocks come from the pool; EXTRA_BYTES may be negative
# (a truncated file) or positive (bytes after the last level).
container() {
  local name=$1 w=$2 h=$3 format=$4 alpha_bits=${5:-0x3F800000} extra=${6:-0}
  local size
  size=$(($(levels_size "$w" "$h" "$format") + extra))
  {
    le 4 "$w"; le 4 "$h"; le 4 "$format"
    le 4 $((format == 3 ? w * h / 2 : w * h)); le 4 "$alpha_bits"
    pool_bytes "$size" $((w * 7 + h))
  } >"$work/inputs/$name"
}

# tga NAME WIDTH HEIGHT DEPTH DESCRIPTOR [PIXEL_BYTES]: an uncompressed TGA
# source whose pixels come from the pool.
tga() {
  local name=$1 w=$2 h=$3 depth=$4 descriptor=$5
  local pixels=${6:-$((w * h * depth / 8))}
  {
    le 3 0x020000; le 5 0; le 4 0; le 2 "$w"; le 2 "$h"; le 1 "$depth"; le 1 "$descriptor"
    pool_bytes "$pixels" $((w * 3 + depth))
  } >"$work/inputs/$name"
}

container c4x4.dds 4 4 3
container c8x8.dds 8 8 4
container c16x4.dds 16 4 3
container c64x32.dds 64 32 3
container c256x64.dds 256 64 3
container c128x128.dds 128 128 4
container c256x256.dds 256 256 4
container c2x2.dds 2 2 4
container c2x2048.dds 2 2048 3
container trailing.dds 8 8 3 0x3F000000 3
container truncated.dds 16 16 4 0x3F800000 -5
container zero-width.dds 0 4 3 0x3F800000 2
container bad-format.dds 8 8 5
container nan-alpha.dds 8 8 4 0xFFC00001
container inf-alpha.dds 4 4 3 0x7F800000
container "with blanks.v2.dds" 32 8 4
cp samples/textures/*.tga "$work/inputs/"
tga noise24-bottom-up.tga 32 32 24 0x00
tga noise32-top-down.tga 16 8 32 0x28
tga noise32-bottom-up.tga 128 16 32 0x08
tga tiny24.tga 2 2 24 0x20
tga odd-size.tga 12 12 24 0x20
tga short-pixels.tga 16 16 32 0x28 100

# dds NAME WIDTH HEIGHT MIPS KIND DATA_BYTES [DXGI]: a standard DDS texture
# whose blocks or pixels come from the pool; KIND is a FourCC, DX10 (with
# the DXGI format) or BGRA (32-bit bit masks with alpha).
dds() {
  local name=$1 w=$2 h=$3 mips=$4 kind=$5 size=$6 dxgi=${7:-0}
  {
    printf 'DDS '; le 4 124; le 4 0x21007; le 4 "$h"; le 4 "$w"; le 4 0; le 4 0; le 4 "$mips"
    head -c 44 /dev/zero; le 4 32
    if [ "$kind" = BGRA ]; then
      le 4 0x41; le 4 0; le 4 32; le 4 0xFF0000; le 4 0xFF00; le 4 0xFF; le 4 0xFF000000
    else
      le 4 4; printf '%s' "$kind"; head -c 20 /dev/zero
    fi
    le 4 0x1000; head -c 16 /dev/zero
    if [ "$kind" = DX10 ]; then le 4 "$dxgi"; le 4 3; le 4 0; le 4 1; le 4 0; fi
    pool_bytes "$size" $((w * 5 + h))
  } >"$work/inputs/$name"
}

dds dds-bc1.dds 13 9 3 DXT1 122
dds dds-bc3-cut.dds 16 16 5 DXT5 266
dds dds-bc7.dds 8 8 4 DX10 112 98
dds dds-bgra.dds 5 3 1 BGRA 60

# --- Runs -------------------------------------------------------------------

# run_all DIR PROGRAM...: copies the inputs into DIR and runs PROGRAM there on
# each of them, printed text into DIR.log/ and exit statuses into DIR.status/.
run_all() {
  local dir=$1
  shift
  cp -r "$work/inputs" "$dir"
  mkdir -p "$dir.log" "$dir.status"
  local input container
  local logs=../$(basename "$dir").log statuses=../$(basename "$dir").status
  # logged NAME ARGS...: one run, its text and exit status kept under NAME.
  logged() {
    local name=$1 rc=0
    shift
    "$@" >"$logs/$name" || rc=$?
    echo "$rc" >"$statuses/$name"
  }
  (
    cd "$dir"
    for input in *.dds; do logged "decode $input" "$@" -d "$input"; done
    logged "decode missing.dds" "$@" -d missing.dds
    # Every TGA here is encoded: the sources and the level files just decoded
    # (top-left origin, every size down to 1x1).
    for input in *.tga; do logged "encode $input" "$@" -e "$input"; done
    # Decode again what the encoder wrote, under another name so it cannot
    # overwrite the inputs' own level files.
    for input in *.tga; do
      container=${input%%.*}.dds
      if [ ! -f "$container" ] || [ -f "$work/inputs/$container" ]; then continue; fi
      cp "$container" "re-${container}"
      logged "redecode $container" "$@" -d "re-${container}"
    done
  )
}

echo "compare-builds: running $linux_tessark"
run_all "$work/linux" "$linux_tessark"
echo "compare-builds: running $windows_tessark under Wine"
run_all "$work/windows" "$wine_run" "$WINEPREFIX" "$windows_tessark"

# Quorvel's directory mode on one work directory (blanks in its name and in
# file names), each driver starting its own build's Tessark and model-compiler
# stand-in. Names are lower case, so both walks (sorted on Linux; Wine, like
# NTFS, sorts without regard to case) list them in the same order.
quorvel_run() {
  local dir=$1
  shift
  mkdir -p "$dir/work dir"
  for input in c4x4 c8x8 c16x4 c64x32 c128x128 c256x256; do cp "$work/inputs/$input.dds" "$dir/work dir/"; done
  cp "$work/inputs/c8x8.dds" "$dir/work dir/my wall.dds"
  printf '\0\0\0\0newmodel door\n' >"$dir/work dir/old door.mdl"
  # The model-compiler stand-in of the same build, found in the current
  # directory as a user's real compiler would be on PATH.
  cp "$standin" "$dir/"
  (cd "$dir" && "$@" "work dir" >/dev/null)
}
echo "compare-builds: running $linux_quorvel"
standin=$linux_build/tests/standins/nwnmdlcomp quorvel_run "$work/quorvel/linux" "$linux_quorvel"
echo "compare-builds: running $windows_quorvel under Wine"
standin=$windows_build/tests/standins/nwnmdlcomp.exe quorvel_run "$work/quorvel/windows" "$wine_run" "$WINEPREFIX" "$windows_quorvel"

# --- Comparison -------------------------------------------------------------

status=0
if ! diff -r --brief "$work/linux" "$work/windows"; then
  echo "compare-builds: the two builds wrote different files" >&2
  status=1
fi
if ! diff -r "$work/linux.status" "$work/windows.status"; then
  echo "compare-builds: the two builds ended with different exit statuses" >&2
  status=1
fi
for log in "$work/windows.log"/*; do
  name=$(basename "$log")
  # Windows writes text with CR LF: no line may end in a bare LF, and with
  # the CRs removed the text must be the Linux text.
  if [ "$(tr -cd '\n' <"$log" | wc -c)" != "$(grep -c $'\r$' "$log" || true)" ]; then
    echo "compare-builds: '$name': Windows output has a line end without CR" >&2
    status=1
  fi
  if ! tr -d '\r' <"$log" | cmp -s - "$work/linux.log/$name"; then
    echo "compare-builds: '$name' printed different text:" >&2
    diff <(tr -d '\r' <"$log") "$work/linux.log/$name" >&2 || true
    status=1
  fi
done
quorvel_linux=$work/quorvel/linux/work\ dir
quorvel_windows=$work/quorvel/windows/work\ dir
if ! diff -r --brief --exclude=universal.material "$quorvel_linux" "$quorvel_windows"; then
  echo "compare-builds: the two Quorvel builds left different files" >&2
  status=1
fi
if [ "$(find "$quorvel_linux" -name '*.tga' | wc -l)" != 7 ]; then
  echo "compare-builds: Quorvel did not leave one texture per container" >&2
  status=1
fi
material=$quorvel_windows/universal.material
if [ "$(tr -cd '\n' <"$material" | wc -c)" != "$(grep -c $'\r$' "$material" || true)" ] ||
  ! tr -d '\r' <"$material" | cmp -s - "$quorvel_linux/universal.material"; then
  echo "compare-builds: the Windows universal.material is not the Linux one with CR LF line ends" >&2
  status=1
fi
# count_files DIR: the number of files in DIR, subfolders included.
count_files() { find "$1" -type f | wc -l; }
if [ "$(count_files "$work/windows.log")" != "$(count_files "$work/linux.log")" ]; then
  echo "compare-builds: the two builds ran a different number of commands" >&2
  status=1
fi

files=$(count_files "$work/linux")
written=0
for file in "$work/linux"/*; do
  [ -e "$work/inputs/$(basename "$file")" ] || written=$((written + 1))
done
encoded=$(find "$work/linux" -name 're-*.dds' | wc -l)
echo "compare-builds: $files files ($written written by Tessark, $encoded containers encoded)" \
  "and $(count_files "$work/linux.log") printed outputs compared;" \
  "Quorvel: $(count_files "$quorvel_linux") files of a directory-mode run compared"
if grep -qx "Encoding is not built yet" "$work/linux.log"/encode*; then
  echo "compare-builds: note: this Tessark cannot encode yet; only decoding was compared"
fi
if [ "$written" -lt 20 ]; then
  echo "compare-builds: too few files written; the comparison proves nothing" >&2
  status=1
fi
[ "$status" = 0 ] && echo "compare-builds: the Linux and Windows builds agree byte for byte"
exit "$status"
