#!/usr/bin/env bash
# scripts/test.sh: installs what is missing, builds both targets and runs every test under Wine.
# Extra arguments go to ctest (for example -R Scan).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TOVRA_BUILD:-$top/build}
export TOVRA_BUILD=$build
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"
source "$top/scripts/wine-env.sh"
trap wine_env_stop EXIT
wine_env_start
cd "$build/x86_64"
ctest --output-on-failure --timeout 600 "$@"
