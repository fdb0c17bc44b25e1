# Sourced by fuzz.sh and fuzz-replay.sh, so long runs and the gate's replay use one set of
# limits per target. Expects `repo` and `build` to be set.

# max_len, per-input timeout and dictionary of each target.
declare -A max_len=([template]=65536 [expr]=4096 [fragment]=16384 [image]=1048576)
declare -A timeout=([template]=10 [expr]=1 [fragment]=5 [image]=10)
declare -A dict=([template]=rtf.dict [expr]=expr.dict [fragment]=rtf.dict [image]=jpeg.dict)

# Configures $build with clang and the fuzz targets when it has no build yet, then builds them.
build_fuzzers() {
  if [ ! -f "$build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$repo" -B "$build" -G Ninja -DVORN_BUILD_APP=OFF -DVORN_FUZZ=ON
  fi
  cmake --build "$build" -j2 --target vorn_fuzzers
}
