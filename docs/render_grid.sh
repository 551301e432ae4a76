#!/usr/bin/env bash
# Remakes docs/example_grid.png, the picture of the example grid in the
# README, from the real output: converts examples/example.unv with
# BUILD_DIR/unv2tessal, writes the grid with BUILD_DIR/tessal2vtk and renders
# it with VTK off-screen under Xvfb (docs/render_grid.py). Given a MESH, it
# converts that with BUILD_DIR/tessalgrid --vtu instead (docs/duct_grid.png
# is examples/duct.unv).
# Usage: docs/render_grid.sh BUILD_DIR [PICTURE [MESH]]
# Needs python3-vtk9 (for /usr/bin/python3) and xvfb: apt-get install
# python3-vtk9 xvfb.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: docs/render_grid.sh BUILD_DIR [PICTURE]}" && pwd)
picture=$(realpath -m "${2:-$top/docs/example_grid.png}")
mesh=${3:+$(realpath "$3")}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
if [ -n "$mesh" ]; then
  "$build/tessalgrid" --vtu example.vtu "$mesh" 2>/dev/null
else
  cp "$top/examples/example.unv" "$scratch/"
  "$build/unv2tessal" <"$build/examples/answers.txt" >/dev/null
  "$build/tessal2vtk" example.inp example.xyz example.cnc example.vtu
fi
xvfb-run -a -s "-screen 0 1024x768x24" /usr/bin/python3 \
  "$top/docs/render_grid.py" example.vtu "$picture"
echo "wrote $picture"
