#!/usr/bin/env bash
# Remakes docs/example_grid.png, the picture of the example grid in the
# README, from the real output: converts examples/example.unv with
# BUILD_DIR/unv2tessal, writes the grid with BUILD_DIR/tessal2vtk and renders
# it with VTK off-screen under Xvfb (docs/render_grid.py).
# Usage: docs/render_grid.sh BUILD_DIR [PICTURE]
# Needs python3-vtk9 (for /usr/bin/python3) and xvfb: apt-get install
# python3-vtk9 xvfb.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: docs/render_grid.sh BUILD_DIR [PICTURE]}" && pwd)
picture=$(realpath -m "${2:-$top/docs/example_grid.png}")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$top/examples/example.unv" "$scratch/"
cd "$scratch"
"$build/unv2tessal" <"$build/examples/answers.txt" >/dev/null
"$build/tessal2vtk" example.inp example.xyz example.cnc example.vtu
xvfb-run -a -s "-screen 0 1024x768x24" /usr/bin/python3 \
  "$top/docs/render_grid.py" example.vtu "$picture"
echo "wrote $picture"
