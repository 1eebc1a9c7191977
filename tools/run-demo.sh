#!/bin/bash
# Installs what is needed, builds the three plug-in binaries and brisko-render,
# and renders the built-in demo signal through the Linux plug-in into out/:
# the input, the output, their spectrograms (and the editor, where the build
# can draw it).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh build
jobs=$(nproc)

echo "=== Building: Linux (Release), 64-bit and 32-bit Windows"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRISKO_BUILD_TESTS=OFF >/dev/null
cmake --build build/release -j"$jobs"
for preset in win64 win32; do
  cmake --preset $preset >/dev/null
  cmake --build --preset $preset -j"$jobs" --target brisko_vst
done

echo "=== Rendering the demo"
mkdir -p out
render=build/release/tools/render/brisko-render
settings=(--set "Delay time=0.05" --set "Feedback=0.55" --set "Modulation freq.=0.025"
  --set "Modulation amp.=0.1" --set "FFT Bin delay=0.3" --set "Dry/Wet=0.75")
"$render" "${settings[@]}" --tail 2 --save-input out/demo-input.wav \
  --spectrogram out/demo-spectrogram.png demo out/demo-output.wav
if "$render" "${settings[@]}" --editor-png out/demo-editor.png 2>out/.editor-error; then
  editor="out/demo-editor.png"
else
  editor="not drawn ($(sed 's/^brisko-render: //' out/.editor-error))"
fi
rm -f out/.editor-error
"$render" "${settings[@]}" --list-params | sed 's/^/  /'

cat <<EOT

=== Done
Demo (out/):
  input        out/demo-input.wav        (4 s: a percussive figure over a sustained chord)
  output       out/demo-output.wav       (the input through the Linux plug-in, plus 2 s of tail)
  spectrogram  out/demo-spectrogram.png  (input above, output below)
  editor       $editor
Render your own files: $render --help

Plug-in binaries:
  Linux x86-64        $(pwd)/build/release/plugin/Brisko.so
  LV2 bundle          $(pwd)/build/release/lv2-bundles/Brisko.lv2/
  64-bit Windows      $(pwd)/build/win64/plugin/Brisko.dll
  32-bit Windows      $(pwd)/build/win32/plugin/Brisko.dll
To install, copy the one for your host into a folder the host scans for its
format (VST 2 or LV2), then rescan in the host:
  Linux:   ~/.vst/ or /usr/lib/vst/ (or a folder listed in LXVST_PATH / VST_PATH),
           e.g.  mkdir -p ~/.vst && cp build/release/plugin/Brisko.so ~/.vst/
  LV2:     ~/.lv2/ or /usr/lib/lv2/ (or a folder listed in LV2_PATH),
           e.g.  mkdir -p ~/.lv2 && cp -r build/release/lv2-bundles/Brisko.lv2 ~/.lv2/
  Windows: the host's VST (2) plug-in folder, e.g. C:\\Program Files\\VSTPlugins;
           the 64-bit DLL for 64-bit hosts, the 32-bit DLL for 32-bit hosts.
Or install both Linux plug-ins where hosts look:
  sudo cmake --install build/release             (/usr/local/lib/vst and /usr/local/lib/lv2)
  cmake -B build/release -DBRISKO_VST_INSTALL_DIR=\$HOME/.vst -DBRISKO_LV2_INSTALL_DIR=\$HOME/.lv2 &&
    cmake --install build/release                (your home's ~/.vst and ~/.lv2)
Release archives of every target, with install notes and checksums: tools/make-release.sh
EOT
