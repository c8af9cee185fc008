#!/usr/bin/env bash
# Builds the decoder fuzz target with clang and runs it for the given number
# of seconds (default 60), seeded with the containers the decoder tests build.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
scripts/install-deps.sh clang libclang-rt-14-dev
CXX=clang++ CC=clang cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVEL_FUZZ=ON -DQUORVEL_BENCHMARKS=OFF
cmake --build build-fuzz -j"$(nproc)" --target decoder_fuzz codec_tests
corpus=fuzz-corpus
mkdir -p "$corpus"
QUORVEL_FUZZ_SEEDS="$PWD/$corpus" build-fuzz/tests/codec/codec_tests --gtest_filter='Decoder.*' >/dev/null
echo "seed corpus: $(ls "$corpus" | wc -l) containers"
build-fuzz/fuzz/decoder_fuzz -max_total_time="$seconds" -max_len=8192 -rss_limit_mb=2048 "$corpus"
