# shellcheck shell=bash disable=SC2154
# Sourced by scripts/mutate.sh: the browser build's part of the mutation check.
# Uses mutate.sh's $work, $tree, $build, $logs, $jobs and $limit.
#
# A fault in a file that only the browser build compiles is built into the
# browser build (emscripten; configured once in $web, Release as `make web`
# builds it) and tried against the browser build's tests: its unit tests under
# node, then the page played in headless Chromium against the desktop game, on
# touch screens, and installed for offline play. DELVE_MUTATE_WEB=0 leaves
# such faults out ("browser build only"), as does a machine without
# emscripten, Chromium or the tests' node modules (scripts/install-web-deps.sh).
web=$work/build-web
web_state=  # empty: not tried yet; ok; or why the browser build cannot be used
build_web() {
  NODE_PATH=/usr/share/nodejs cmake --build "$web" -j "$jobs"
}
run_web_suite() {
  local out script
  if ! out=$(cd "$web" && timeout "$limit" node delve_web_tests.js --gtest_fail_fast --gtest_brief=1 2>&1); then
    echo "$out"
    echo "FAILED: web_unit"
    return 1
  fi
  for script in browser touch offline; do
    local args=("$web")
    [ $script = browser ] && args+=("$build/delve" "$build/delve_first_frame" "$tree/tests/demos/descent"
      "$tree/tests/demos/zoomed-out")
    [ $script = offline ] && args+=("$tree/tests/demos/descent.state")
    if ! out=$(cd "$build" && SDL_VIDEODRIVER=dummy timeout 600 node "$tree/tests/web/${script}_test.js" "${args[@]}" 2>&1)
    then
      echo "$out"
      echo "FAILED: web_$script"
      return 1
    fi
  done
}
# True once the browser build is configured, built and passes its tests as the
# tree is; says why not the first time it is asked.
web_ready() {
  if [ -z "$web_state" ]; then
    web_state=ok
    if [ "${DELVE_MUTATE_WEB:-1}" = 0 ]; then
      web_state="DELVE_MUTATE_WEB=0"
    elif ! command -v emcmake >/dev/null || ! command -v node >/dev/null || ! command -v "${CHROMIUM:-chromium}" >/dev/null ||
      [ ! -d "$root/tests/web/node_modules/puppeteer-core" ]; then
      web_state="no emscripten, node, Chromium or puppeteer-core (scripts/install-web-deps.sh)"
    else
      echo "mutate: building the browser build in $web and testing it unchanged" >&2
      local launcher=()
      command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
      if ! { [ -f "$web/CMakeCache.txt" ] || emcmake cmake -S "$tree" -B "$web" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}"; } \
        >"$logs/web-baseline.log" 2>&1 ||
        ! cmake --build "$build" -j "$jobs" --target delve_first_frame >>"$logs/web-baseline.log" 2>&1 ||
        ! build_web >>"$logs/web-baseline.log" 2>&1 || ! run_web_suite >>"$logs/web-baseline.log" 2>&1; then
        web_state="the unchanged browser build does not build or pass its tests ($logs/web-baseline.log)"
      fi
    fi
    [ "$web_state" = ok ] || echo "mutate: browser build faults not run: $web_state" >&2
  fi
  [ "$web_state" = ok ]
}
