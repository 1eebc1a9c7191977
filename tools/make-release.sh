#!/bin/bash
# Builds the plug-in for every target and writes the release into dist/: one
# archive per target, each a folder with the binary and a short INSTALL.txt,
# named with the version of the version record, and SHA256SUMS over them.
# Usage: tools/make-release.sh [--no-build] [DIST_DIR]
#   --no-build  package what build/release, build/win64 and build/win32 hold
set -euo pipefail
cd "$(dirname "$0")/.."
build=1
if [ "${1:-}" = --no-build ]; then build=0; shift; fi
dist=$(realpath -m "${1:-dist}")
version=$(sed -n 's/^ *VALUE "FileVersion", "\([^"]*\)".*/\1/p' resources/brisko.rc)
[ -n "$version" ] || { echo "make-release: no FileVersion in resources/brisko.rc" >&2; exit 1; }

linux=build/release
if [ "$build" = 1 ]; then
  tools/install-deps.sh build
  cmake -S . -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRISKO_BUILD_TESTS=OFF >/dev/null
  cmake --build "$linux" -j"$(nproc)" --target brisko_vst brisko_lv2 brisko_lv2_ui
  for preset in win64 win32; do
    cmake --preset $preset >/dev/null
    cmake --build --preset $preset -j"$(nproc)" --target brisko_vst
  done
fi
bundle=$linux/lv2-bundles/Brisko.lv2
for file in build/win32/plugin/Brisko.dll build/win64/plugin/Brisko.dll $linux/plugin/Brisko.so \
  "$bundle"/manifest.ttl "$bundle"/BriskoDsp.so "$bundle"/BriskoUi.so; do
  [ -f "$file" ] || { echo "make-release: $file is missing (build it, or run without --no-build)" >&2; exit 1; }
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
rm -rf "$dist"
mkdir -p "$dist"

# folder name, then the INSTALL.txt text on stdin
start() {
  folder=$stage/Brisko-$version-$1
  mkdir -p "$folder"
  { echo "Brisko Dynamic Spectrum Delay $version ($2)"; echo; cat; } >"$folder/INSTALL.txt"
}
# Reproducible archives: sorted names, no owners, one fixed time.
pack_tar() { tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner --mtime=@0 -czf "$dist/$1.tar.gz" "$1"; }
pack_zip() { (cd "$stage" && find "$1" -exec touch -h -d @0 {} + && find "$1" | LC_ALL=C sort | zip -qX -@ "$dist/$1.zip"); }

linux_libraries="It needs libcairo2, libfontconfig1 and libx11-6 (Debian: apt install libcairo2 libfontconfig1 libx11-6)."
for bits in 32 64; do
  name=windows-$([ $bits = 32 ] && echo x86 || echo x64)-vst2
  start $name "VST 2 plug-in for $bits-bit Windows hosts" <<EOT
Copy Brisko.dll into the folder your host scans for VST 2 plug-ins (for
example C:\\Program Files\\VSTPlugins, or the one set in the host's
preferences) and rescan there. This is the DLL for $bits-bit hosts; a host of
the other bitness needs the other archive (or a bridge). Nothing else is
needed: the DLL carries its runtime and its bitmaps.
EOT
  # The debug sections of the cross build stay out of the archive; the code is untouched.
  $([ $bits = 32 ] && echo i686 || echo x86_64)-w64-mingw32-strip --strip-debug -o "$folder/Brisko.dll" \
    build/win$bits/plugin/Brisko.dll
  pack_zip "Brisko-$version-$name"
done

start linux-x86_64-vst2 "VST 2 plug-in for Linux x86-64 hosts" <<EOT
Copy Brisko.so into a folder your host scans for VST 2 plug-ins, then
rescan there:
  mkdir -p ~/.vst && cp Brisko.so ~/.vst/            (you alone)
  sudo cp Brisko.so /usr/local/lib/vst/              (everyone)
or any folder named in LXVST_PATH or VST_PATH. The editor needs an X11
display. $linux_libraries
EOT
cp $linux/plugin/Brisko.so "$folder/"
pack_tar "Brisko-$version-linux-x86_64-vst2"

start linux-x86_64-lv2 "LV2 bundle for Linux x86-64 hosts" <<EOT
Copy the folder Brisko.lv2 into a folder your host scans for LV2 bundles,
then restart or rescan the host:
  mkdir -p ~/.lv2 && cp -r Brisko.lv2 ~/.lv2/        (you alone)
  sudo cp -r Brisko.lv2 /usr/local/lib/lv2/          (everyone)
or any folder named in LV2_PATH. \`lv2ls\` (Debian: lilv-utils) then lists
urn:brisko:dynamic-spectrum-delay. The plug-in sounds the same bit for bit
as the VST 2 plug-in; its editor (an X11 UI) needs an X11 display.
$linux_libraries
EOT
cp -r "$bundle" "$folder/"
pack_tar "Brisko-$version-linux-x86_64-lv2"

(cd "$dist" && sha256sum -- *.zip *.tar.gz >SHA256SUMS)
echo "Release $version in $dist:"
sed 's/^/  /' "$dist/SHA256SUMS"
