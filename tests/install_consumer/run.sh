#!/usr/bin/env bash
# Installs the built library into a scratch prefix, then builds and runs a consumer
# project against it, once through the CMake package and once through pkg-config.
set -euo pipefail
build_dir=$1; src_dir=$2; work=$3
rm -rf "$work"; mkdir -p "$work"
cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
cmake -S "$src_dir" -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/build" >/dev/null
LD_LIBRARY_PATH="$work/prefix/lib" "$work/build/consumer"
if command -v pkg-config >/dev/null; then
  libdir=$(ls -d "$work"/prefix/lib*/pkgconfig | head -1)
  flags=$(PKG_CONFIG_PATH="$libdir" pkg-config --cflags --libs qmrnumkit)
  ${CXX:-c++} "$src_dir/consumer.cpp" $flags -o "$work/consumer_pc"
  LD_LIBRARY_PATH="$(dirname "$libdir")" "$work/consumer_pc"
fi
