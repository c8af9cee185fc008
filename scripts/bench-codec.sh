#!/usr/bin/env bash
# bench-codec.sh [BUILD_DIR]
# Whole-process speed of Tessark on 2048x2048 sources, as the README reports
# it: a natural photo (LadyBird.jpg of Debian's mate-backgrounds, cropped and
# scaled with ImageMagick; 24-bit, and 32-bit with the luminance of Wood.jpg
# as alpha) and random noise, each encoded with `Tessark -e` on the default
# path and with TESSARK_SIMD=plain (hyperfine, median of 5 runs, the output
# removed before each run); then `Tessark -d` on the photo's container
# against writing the same TGA bytes with fwrite (decode_process_bench).
# Sources are made in a scratch folder and not kept in the repository.
# Last, encodes with threads (see below). THREADS_ONLY=1 runs only those.
# Then standard DDS decodes (BC1, BC3) against the same floor; DDS_ONLY=1
# runs only those.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
baseline=${BASELINE_BUILD:+$(realpath "$BASELINE_BUILD")}
tessark=$build/codec/Tessark
scripts/install-deps.sh hyperfine imagemagick mate-backgrounds python3
photos=/usr/share/backgrounds/mate/nature
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

if [ -z "${THREADS_ONLY:-}${DDS_ONLY:-}" ]; then
square() { convert "$photos/$1" -resize 2048x2048^ -gravity center -extent 2048x2048 "${@:2}"; }
square LadyBird.jpg -alpha off -type TrueColor photo24.tga
square Wood.jpg -colorspace Gray alpha.png
square LadyBird.jpg alpha.png -alpha off -compose CopyOpacity -composite -type TrueColorAlpha photo32.tga
# noise DEPTH: an uncompressed top-left TGA of random bytes.
noise() {
  { printf '\0\0\2\0\0\0\0\0\0\0\0\0\0\10\0\10'; printf "\\x$(printf %02x "$1")\\x20"
    head -c $((2048 * 2048 * $1 / 8)) /dev/urandom; } >"noise$1.tga"
}
noise 24
noise 32
sync  # let the new files' writeback finish before anything is timed

for path in default plain; do
  for source in photo32 photo24 noise32 noise24; do
    command="$tessark -e $source.tga"
    [ "$path" = default ] || command="env TESSARK_SIMD=$path $command"
    hyperfine -N -w 2 -r 5 --export-json "$source-$path.json" --prepare "rm -f $source.dds" "$command" >/dev/null
    python3 -c "import json,sys; r=json.load(open(sys.argv[1]))['results'][0]; \
print(f'encode {sys.argv[2]:8s} {sys.argv[3]:8s} median {r[\"median\"]*1e3:6.1f} ms  {2048*2048/r[\"median\"]/1e6:6.1f} MP/s')" \
      "$source-$path.json" "$source" "$path"
  done
done

"$tessark" -e photo32.tga >/dev/null
sync
TESSARK_BENCH_CONTAINER=$work/photo32.dds "$build/bench/decode_process_bench" --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only 2>&1 | grep median

# The same comparison between whole processes: `Tessark -d` against a process
# that writes files of the same sizes with one fwrite each (fwrite_floor),
# with new files (all outputs removed before each run) and with replaced files.
for mode in new replaced; do
  prepare="true"
  [ "$mode" = new ] && prepare="sh -c 'rm -f photo32[0-9]*.tga photo32-floor*.tga'"
  hyperfine -N -w 3 -r 15 --export-json "decode-$mode.json" --prepare "$prepare" \
    "$tessark -d photo32.dds" "$build/bench/fwrite_floor photo32.dds" >/dev/null
  python3 -c "import json,sys; d,f=json.load(open(sys.argv[1]))['results']; \
print(f'decode, {sys.argv[2]} files: Tessark -d median {d[\"median\"]*1e3:.1f} ms, fwrite_floor {f[\"median\"]*1e3:.1f} ms, ratio {d[\"median\"]/f[\"median\"]:.2f}')" \
    "decode-$mode.json" "$mode"
done
fi

# Threads: `Tessark -e` of random 32-bit sources (256², 4096², 8192²) with one
# thread and with one per processor, beside an earlier build when
# BASELINE_BUILD names its build folder (hyperfine -N, 10 runs, the container
# removed before each).
threads=$(nproc)
[ -n "${DDS_ONLY:-}" ] || for side in 256 4096 8192; do
  { python3 -c "import struct,sys; sys.stdout.buffer.write(bytes([0,0,2]) + bytes(9) + struct.pack('<HHBB', $side, $side, 32, 8))"
    head -c $((side * side * 4)) /dev/urandom; } >"noise$side.tga"
  commands=()
  if [ -n "$baseline" ]; then
    # Through env like the others, so that every run pays the same extra start.
    commands+=(-n "earlier build, ${side}²" "env TESSARK_THREADS=1 $baseline/codec/Tessark -e noise$side.tga")
  fi
  commands+=(-n "TESSARK_THREADS=1, ${side}²" "env TESSARK_THREADS=1 $tessark -e noise$side.tga")
  commands+=(-n "TESSARK_THREADS=$threads, ${side}²" "env TESSARK_THREADS=$threads $tessark -e noise$side.tga")
  hyperfine -N -w 1 -r 10 --prepare "rm -f noise$side.dds" --export-markdown "threads-$side.md" "${commands[@]}" >/dev/null
  cat "threads-$side.md"
  rm -f "noise$side.tga" "noise$side.dds"
done

# Standard DDS decode: 2048x2048 BC1 (also made opaque) and BC3 textures with all their mips,
# `Tessark -d` against fwrite_floor as above (new files, median of 15). The
# textures are the photo's containers under a DDS header (their blocks are
# BC1 and BC3 blocks). DDS_ONLY=1 runs only this.
if [ -z "${THREADS_ONLY:-}" ]; then
  for depth in 24 32; do
    if [ ! -e "photo$depth.tga" ]; then
      alpha=(-alpha off -type TrueColor)
      [ "$depth" = 32 ] && alpha=(-alpha set -channel A -evaluate set 60% +channel -type TrueColorAlpha)
      convert "$photos/LadyBird.jpg" -resize 2048x2048^ -gravity center -extent 2048x2048 "${alpha[@]}" "photo$depth.tga"
    fi
    [ -e "photo$depth.dds" ] || "$tessark" -e "photo$depth.tga" >/dev/null
  done
  python3 - <<'PY'
import struct
for source, target, fourcc in (("photo24.dds", "bc1.dds", b"DXT1"), ("photo32.dds", "bc3.dds", b"DXT5")):
    data = open(source, "rb").read()
    width, height = struct.unpack("<ii", data[:8])
    levels = max(width, height).bit_length()
    header = b"DDS " + struct.pack("<7I", 124, 0x21007, height, width, 0, 0, levels) + bytes(44)
    header += struct.pack("<2I4s5I", 32, 4, fourcc, 0, 0, 0, 0, 0) + struct.pack("<5I", 0x401008, 0, 0, 0, 0)
    open(target, "wb").write(header + data[20:])
# The same BC1 blocks in four-colour mode (color0 > color1), as an opaque
# texture has them: its files are 24-bit.
blocks = bytearray(open("bc1.dds", "rb").read())
for at in range(128, len(blocks), 8):
    c0, c1 = struct.unpack_from("<HH", blocks, at)
    if c0 <= c1:
        c0, c1 = (c1, c0) if c0 != c1 else (c0 | 0x8000, c1 & 0x7FFF)
        struct.pack_into("<HH", blocks, at, c0, c1)
open("bc1opaque.dds", "wb").write(blocks)
PY
  sync
  for texture in bc1 bc1opaque bc3; do
    hyperfine -N -w 3 -r 15 --export-json "dds-$texture.json" --prepare "sh -c 'rm -f $texture[0-9]*.tga $texture-floor*.tga'" \
      "$tessark -d $texture.dds" "$build/bench/fwrite_floor $texture.dds" >/dev/null
    python3 -c "import json,sys; d,f=json.load(open(sys.argv[1]))['results']; \
print(f'DDS decode, {sys.argv[2]}: Tessark -d median {d[\"median\"]*1e3:.1f} ms, fwrite_floor {f[\"median\"]*1e3:.1f} ms, ratio {d[\"median\"]/f[\"median\"]:.2f}')" \
      "dds-$texture.json" "$texture"
  done
fi

# Sources of other kinds: `Tessark -e` of a 2048x2048 PNG (24-bit, a smooth
# picture with grain, deflated by Python's zlib) against the plain TGA of the
# same pixels, whose container is the same (hyperfine -N, 10 runs, the
# container removed before each).
if [ -z "${THREADS_ONLY:-}" ]; then
python3 - <<'PY'
import struct, zlib
side = 2048
rows = []
for y in range(side):
    row = bytearray(side * 3)
    for x in range(side):
        v = (x * 3 + y * 5 + ((x * 73856093) ^ (y * 19349663)) % 17) & 255
        row[3 * x:3 * x + 3] = bytes((v, (v + 40) & 255, (x + y) & 255))
    rows.append(bytes(row))
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
with open('picture.png', 'wb') as f:
    f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', side, side, 8, 2, 0, 0, 0)))
    f.write(chunk(b'IDAT', zlib.compress(b''.join(b'\0' + r for r in rows), 6)) + chunk(b'IEND', b''))
with open('picture.tga', 'wb') as f:
    f.write(bytes([0, 0, 2]) + bytes(9) + struct.pack('<HHBB', side, side, 24, 0x20))
    for r in rows:
        f.write(b''.join(bytes((r[i + 2], r[i + 1], r[i])) for i in range(0, len(r), 3)))
PY
"$tessark" -e picture.png >/dev/null && mv picture.dds picture-png.dds
"$tessark" -e picture.tga >/dev/null && cmp picture.dds picture-png.dds
hyperfine -N -w 2 -r 10 --prepare "rm -f picture.dds" --export-markdown picture.md \
  -n "PNG 2048², Tessark -e" "$tessark -e picture.png" -n "plain TGA 2048², Tessark -e" "$tessark -e picture.tga" >/dev/null
cat picture.md
fi
