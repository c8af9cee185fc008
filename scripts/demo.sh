#!/usr/bin/env bash
# The main job on the bundled samples, on a fresh Debian machine: install what
# is needed, build, copy samples/work to demo-run/work, make containers from
# the sample TGAs, run Quorvel in directory mode, then in listing mode on a
# `grep -n` listing of the sample models, and show what was produced.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
# Only what the demo runs: the two programs and the model-compiler stand-in.
cmake --build build -j"$(nproc)" --target Quorvel Tessark quorvel_companions nwnmdlcomp
# Quorvel finds Tessark beside itself; the stand-in for the outside model
# compiler is put on PATH here, as a user's real one would be.
quorvel="$root/build/driver/Quorvel"
tessark="$root/build/driver/Tessark"
export PATH="$root/build/tests/standins:$PATH"

rm -rf demo-run
mkdir -p demo-run/encode
cp -r samples/work demo-run/work
# The conversion-script stand-in is started by its bare name: it must be in
# the directory Quorvel runs in.
cp tests/standins/Drevik.lua demo-run/
cd demo-run

# Quorvel starts the interpreter as `lua`; Debian provides that name through
# the alternatives system. Where it is missing, point a private `lua` at lua5.4.
if ! command -v lua >/dev/null 2>&1; then
  mkdir -p tools
  ln -s "$(command -v lua5.4)" tools/lua
  export PATH="$PWD/tools:$PATH"
fi

echo "== Encoding the sample textures (Tessark -e) =="
for tga in "$root"/samples/textures/*.tga; do
  name="$(basename "$tga" .tga)"
  cp "$tga" "encode/$name.tga"
  "$tessark" -e "encode/$name.tga" || true
  echo  # "Finished Encoding" ends without a line end
  if [ -f "encode/$name.dds" ]; then
    mv "encode/$name.dds" work/
  else
    echo "(no container for $name.tga: the bundled ones are used)"
  fi
done

echo "== Directory mode =="
"$quorvel" work

echo "== Listing mode =="
grep -Hn '^newmodel' work/*.mdl > listing.txt
cat listing.txt
"$quorvel" listing.txt 1.0 1 1 1 work

echo "== Produced in demo-run/work =="
ls -l work
echo "== universal.material (first blocks) =="
head -n 40 work/universal.material
for mesh in work/*.mesh.xml; do
  [ -f "$mesh" ] || continue
  echo "== $mesh =="
  cat "$mesh"
done
