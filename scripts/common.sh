# Shared by the README's commands: packages, configure, build. Sourced, not run.

HV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
HV_JOBS=${HV_JOBS:-$(nproc)}

# Debian 12 packages the build, the tests and the demo need.
HV_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qtbase5-dev libqt5opengl5-dev
  libfmt-dev nlohmann-json3-dev libsimdjson-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  xvfb xauth
  libassimp-dev assimp-testmodels libosd-dev
  clang libclang-rt-14-dev clang-format-14
  groff
  g++-mingw-w64-x86-64 wine64
)

hv_install_packages() {
  local missing=()
  local p
  for p in "${HV_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# hv_build DIR [cmake options...] [-- TARGET...]: a fresh configure and build in DIR; of the given targets
# only, when there are any.
hv_build() {
  local dir=$1
  shift
  local options=() targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    options+=("$1")
    shift
  done
  [ $# -gt 0 ] && shift
  targets=("$@")
  rm -rf "$dir"
  cmake -S "$HV_ROOT" -B "$dir" -G Ninja "${options[@]}"
  if [ ${#targets[@]} -gt 0 ]; then
    cmake --build "$dir" -j "$HV_JOBS" --target "${targets[@]}"
  else
    cmake --build "$dir" -j "$HV_JOBS"
  fi
}

# hv_ctest DIR [ctest options...]: runs the suites, under a virtual X server when there is no display.
hv_ctest() {
  local dir=$1
  shift
  if [ -n "${DISPLAY:-}" ]; then
    ctest --test-dir "$dir" --output-on-failure -j "$HV_JOBS" "$@"
  else
    # -noreset: by default the server resets whenever its last client leaves, and drops the connections
    # that arrive meanwhile, which fails a test process starting just then.
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --test-dir "$dir" --output-on-failure -j "$HV_JOBS" "$@"
  fi
}
