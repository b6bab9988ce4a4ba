#!/usr/bin/env bash
# Deliberate faults that the test suite must catch. Each NN-name.patch here is a small slip in
# the program's code (never in the tests); its first line says what the fault is.
#
# The script copies the working tree as it is (tracked files and new ones not ignored, with
# uncommitted edits) to a scratch folder, builds it once, then for each patch: applies it,
# builds, runs the suite, records the result and takes the patch out again.
#   CAUGHT  it built and some test failed (the first failing test is named)
#   MISSED  it built and every test passed
#   BROKEN  the patch does not apply or the program does not build with it
# The suite runs as ./test.sh runs it (headless), one test at a time, stopping at the first
# failure. Four tests are left out: fuzz_pageedit and fuzz_pagereading (slow libFuzzer runs),
# code_follows_clang_format (a fault patch need not be formatted) and mutations_still_apply
# (a patch that is applied no longer applies).
# Not part of ./test.sh or CTest: a full round takes a long time.
#
# Usage: tests/mutations/run.sh [-k] [-d DIR] [NAME...]
#   NAME    only the patches whose file name contains NAME (e.g. 03 or banner)
#   -k      keep the scratch folder (it is deleted at the end otherwise)
#   -d DIR  use DIR as the scratch folder and keep it; a second run there builds only what
#           changed
# Exits 0 only when every patch that ran was CAUGHT.
set -uo pipefail

HERE="$(cd "$(dirname "$0")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"

keep=0
scratch=""
while getopts "kd:h" opt; do
  case "$opt" in
    k) keep=1 ;;
    d) scratch="$OPTARG"; keep=1 ;;
    h) sed -n '2,/^set -uo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))

patches=()
for p in "$HERE"/*.patch; do
  [ -e "$p" ] || continue
  name="$(basename "$p")"
  if [ $# -eq 0 ]; then
    patches+=("$p")
    continue
  fi
  for want in "$@"; do
    if [[ "$name" == *"$want"* ]]; then
      patches+=("$p")
      break
    fi
  done
done
if [ ${#patches[@]} -eq 0 ]; then
  echo "No patch matches: $*" >&2
  exit 2
fi

if [ -z "$scratch" ]; then
  scratch="$(mktemp -d /tmp/korvalis-mutations.XXXXXX)"
fi
mkdir -p "$scratch"
scratch="$(cd "$scratch" && pwd)"
SRC="$scratch/src"
BUILD="$SRC/build"
LOGS="$scratch/logs"
mkdir -p "$SRC" "$LOGS"

applied=""
cleanup() {
  if [ -n "$applied" ]; then
    (cd "$SRC" && git apply -R "$applied") || echo "Could not take out $applied in $SRC" >&2
    applied=""
  fi
  if [ "$keep" -eq 0 ]; then
    rm -rf "$scratch"
  else
    echo "Scratch folder kept: $scratch" >&2
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Copies only the files whose bytes differ, with a new time: a build folder reused from an
# earlier run then rebuilds exactly what changed, a file left patched by an interrupted run
# included.
sync_tree() {
  local list="$scratch/files.list"
  (cd "$ROOT" && git ls-files -z --cached --others --exclude-standard) |
    while IFS= read -r -d '' f; do
      [ -f "$ROOT/$f" ] && [ ! -L "$ROOT/$f" ] && printf '%s\n' "$f"
    done | sort >"$list"
  while IFS= read -r f; do
    if ! cmp -s "$ROOT/$f" "$SRC/$f"; then
      mkdir -p "$SRC/$(dirname "$f")"
      cp "$ROOT/$f" "$SRC/$f"
    fi
  done <"$list"
  # Files gone from the tree go from the copy too.
  (cd "$SRC" && find . -path ./build -prune -o -path ./.git -prune -o -type f -print |
    sed 's|^\./||' | sort) | comm -23 - "$list" | while IFS= read -r f; do
    rm -f "$SRC/$f"
  done
  # The tests read the folder beside the sources.
  if [ -d "$ROOT/../shared" ]; then
    ln -sfn "$(cd "$ROOT/../shared" && pwd)" "$scratch/shared"
  fi
  # git apply needs a repository of its own here, or it would follow one further up.
  [ -d "$SRC/.git" ] || git -C "$SRC" init -q
}

echo "Copying $ROOT to $SRC" >&2
sync_tree

# Paths relative to the scratch folder look like those of any worktree under one folder, so
# the shared compiler cache serves most of the first build.
export CCACHE_BASEDIR="$scratch"
export QT_QPA_PLATFORM=offscreen
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi

echo "Building the unchanged tree (log: $LOGS/base.build.log)" >&2
if ! { cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKORVALIS_BUILD_TESTS=ON -DKORVALIS_BUILD_BENCH=OFF &&
  cmake --build "$BUILD" -j2; } >"$LOGS/base.build.log" 2>&1; then
  tail -n 30 "$LOGS/base.build.log" >&2
  echo "The unchanged tree does not build; no patch was tried." >&2
  exit 2
fi

EXCLUDED='^(fuzz_pageedit|fuzz_pagereading|code_follows_clang_format|mutations_still_apply)$'
rows=()
all_caught=1
for patch in "${patches[@]}"; do
  name="$(basename "$patch" .patch)"
  fault="$(head -n 1 "$patch")"
  failing=""
  echo "== $name: $fault" >&2
  if ! (cd "$SRC" && git apply --check "$patch") >"$LOGS/$name.apply.log" 2>&1; then
    result="BROKEN (does not apply)"
  else
    (cd "$SRC" && git apply "$patch")
    applied="$patch"
    if ! cmake --build "$BUILD" -j2 >"$LOGS/$name.build.log" 2>&1; then
      result="BROKEN (does not build)"
    else
      rm -f "$BUILD/Testing/Temporary/LastTestsFailed.log"
      if (cd "$BUILD" && ctest -j1 --stop-on-failure --output-on-failure -E "$EXCLUDED") \
        >"$LOGS/$name.test.log" 2>&1; then
        result="MISSED"
      else
        result="CAUGHT"
        failing="$(head -n 1 "$BUILD/Testing/Temporary/LastTestsFailed.log" 2>/dev/null |
          cut -d: -f2-)"
        [ -n "$failing" ] || failing="(none recorded; see $LOGS/$name.test.log)"
      fi
    fi
    if ! (cd "$SRC" && git apply -R "$patch"); then
      echo "Could not take $name out again; stopping." >&2
      exit 2
    fi
    applied=""
  fi
  [ "$result" = "CAUGHT" ] || all_caught=0
  echo "   $result ${failing}" >&2
  rows+=("| $name | ${fault//|/\\|} | $result | ${failing} |")
done

{
  echo "| Patch | Fault | Result | First failing test |"
  echo "|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
} | tee "$scratch/results.md"

[ "$all_caught" -eq 1 ]
