#!/usr/bin/env bash
# fuzz.sh [SECONDS]
# Builds the fuzz targets with clang and runs each for the given number of
# seconds (default 60): the decoder, seeded with the containers the decoder
# tests build, and the TGA reader and encoder (every vector path against the
# plain one), seeded with the bundled sample textures and small sources;
# last the standard DDS reader, seeded with the DDS tests' files.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
scripts/install-deps.sh clang libclang-rt-14-dev
CXX=clang++ CC=clang cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVEL_FUZZ=ON -DQUORVEL_BENCHMARKS=OFF -DQUORVEL_WERROR=ON
cmake --build build-fuzz -j"$(nproc)" --target decoder_fuzz encoder_fuzz codec_tests

corpus=fuzz-corpus
mkdir -p "$corpus/decoder" "$corpus/encoder"
QUORVEL_FUZZ_SEEDS="$PWD/$corpus/decoder" build-fuzz/tests/codec/codec_tests --gtest_filter='Decoder.*' >/dev/null
echo "decoder seed corpus: $(ls "$corpus/decoder" | wc -l) containers"
build-fuzz/fuzz/decoder_fuzz -max_total_time="$seconds" -max_len=8192 -rss_limit_mb=2048 "$corpus/decoder"

cp samples/textures/*.tga "$corpus/encoder/"
# Small sources of both depths and row orders: header, then pixel bytes.
for source in "8 8 32 32" "8 4 24 0" "4 16 32 0" "2 2 24 32"; do
  read -r w h depth descriptor <<<"$source"
  {
    printf '\0\0\2\0\0\0\0\0\0\0\0\0'
    printf "\\x$(printf %02x "$w")\\0\\x$(printf %02x "$h")\\0\\x$(printf %02x "$depth")\\x$(printf %02x "$descriptor")"
    head -c $((w * h * depth / 8)) /dev/urandom
  } >"$corpus/encoder/seed-${w}x${h}-${depth}.tga"
done
echo "encoder seed corpus: $(ls "$corpus/encoder" | wc -l) sources"
build-fuzz/fuzz/encoder_fuzz -max_total_time="$seconds" -max_len=40000 -rss_limit_mb=2048 "$corpus/encoder"

# Standard DDS textures: any bytes after a "DDS " magic, seeded with every
# DDS file the DDS tests write (each format, the refusals).
cmake --build build-fuzz -j"$(nproc)" --target dds_fuzz
mkdir -p "$corpus/dds"
QUORVEL_FUZZ_SEEDS="$PWD/$corpus/dds" build-fuzz/tests/codec/codec_tests \
  --gtest_filter='DdsDecode.EveryFormat*:DdsDecode.Refusals*' >/dev/null
echo "dds seed corpus: $(ls "$corpus/dds" | wc -l) files"
build-fuzz/fuzz/dds_fuzz -max_total_time="$seconds" -max_len=16384 -rss_limit_mb=2048 "$corpus/dds"

# The readers of the other source kinds: TGA kinds converted to the plain
# one, and PNG and JPEG, seeded with the sources the image-source tests write.
cmake --build build-fuzz -j"$(nproc)" --target tga_kinds_fuzz picture_fuzz codec_tests
mkdir -p "$corpus/sources" "$corpus/tga-kinds" "$corpus/pictures"
QUORVEL_FUZZ_SEEDS="$PWD/$corpus/sources" build-fuzz/tests/codec/codec_tests --gtest_filter='ImageSources.*' >/dev/null
cp "$corpus"/sources/*.tga "$corpus/tga-kinds/"
cp "$corpus"/sources/*.png "$corpus"/sources/*.jpg "$corpus/pictures/"
echo "source seed corpus: $(ls "$corpus/tga-kinds" | wc -l) TGA kinds, $(ls "$corpus/pictures" | wc -l) PNG and JPEG"
build-fuzz/fuzz/tga_kinds_fuzz -max_total_time="$seconds" -max_len=20000 -rss_limit_mb=2048 "$corpus/tga-kinds"
build-fuzz/fuzz/picture_fuzz -max_total_time="$seconds" -max_len=20000 -rss_limit_mb=2048 "$corpus/pictures"
