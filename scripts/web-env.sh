# Sourced by the web scripts: Debian's emscripten needs these to run its JavaScript optimizer
# (acorn from node-acorn) and to find its Python.
export NODE_PATH=/usr/share/nodejs
export EMSDK_PYTHON=/usr/bin/python3
