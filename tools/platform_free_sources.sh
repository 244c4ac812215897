# The piece's platform-free code, sourced by the scripts that build it
# without SDL, OpenGL, libmpg123, libpng or ffmpeg (tools/web.sh,
# tools/build-arm64.sh), from the repository root: the graph, the capture,
# the tree scene, our rasteriser, the timeline, the frame and the run, the
# palette, and the page's parameters and frame CRC.
platform_free_sources=(
  graph/*.cpp capture/*.cpp scene/*.cpp
  render/draw.cpp render/draw_raster.cpp render/raster.cpp render/primitives.cpp render/font.cpp
  timeline/timeline.cpp timeline/skipped_timeline.cpp timeline/track_length.cpp
  app/piece_frame.cpp app/piece_run.cpp app/overlay.cpp app/launch_options.cpp
  output/frame_totals.cpp output/palette.cpp
  web/frame_crc.cpp web/web_parameters.cpp
)
# The flags every such build compiles with: floating point as the program
# rounds it, no OpenGL backend.
platform_free_flags=(-std=c++17 -O2 -Wall -Wextra -ffp-contract=off -fno-fast-math -I. -DOSTREL_RASTER_ONLY
  "-DOSTREL_VERSION=\"$(sed -n 's/^project(ostrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)\"")

# compile_objects COMPILER OBJECT_DIR SOURCE...: one object per source in
# OBJECT_DIR, rebuilt when the source or any header is newer, as many at
# once as there are cores; the array objects names them in order.
compile_objects() {
  local compiler=$1 object_dir=$2 source object pid status=0
  shift 2
  local pids=()
  objects=()
  mkdir -p "$object_dir"
  for source in "$@"; do
    object="$object_dir/${source//\//_}.o"
    objects+=("$object")
    if [ ! -f "$object" ] || [ -n "$(find "$source" app capture graph output render scene timeline web \
         -newer "$object" -name '*.[ch]*' -print -quit)" ]; then
      "$compiler" "${platform_free_flags[@]}" -c "$source" -o "$object" &
      pids+=($!)
      if [ ${#pids[@]} -ge "$(nproc)" ]; then wait "${pids[0]}" || status=1; pids=("${pids[@]:1}"); fi
    fi
  done
  for pid in "${pids[@]}"; do wait "$pid" || status=1; done
  return "$status"
}
