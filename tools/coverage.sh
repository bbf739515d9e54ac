#!/usr/bin/env bash
# Builds everything with --coverage in build/coverage (GUI included), runs the whole suite and
# prints gcovr's line-coverage summary of src/, total and per folder.
#   tools/coverage.sh            build, test, report
#   tools/coverage.sh --report   report on the counters of the last run only
set -euo pipefail
export QT_QPA_PLATFORM=offscreen  # GUI test programs run without a display
cd "$(dirname "$0")/.."
root=$PWD
build=build/coverage
jobs=$(nproc)

if ! command -v gcovr >/dev/null; then
  echo "Installing: gcovr"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends gcovr >/dev/null
fi

if [ "${1:-}" != "--report" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLOGIREM_GUI=ON -DLOGIREM_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="--coverage" -DCMAKE_EXE_LINKER_FLAGS="--coverage" \
    -DCMAKE_SHARED_LINKER_FLAGS="--coverage" >/dev/null
  cmake --build "$build" -j "$jobs"
  find "$build" -name '*.gcda' -delete  # counters of this run only
  (cd "$build" && ctest --output-on-failure -j "$jobs")
fi

summary=$build/coverage-summary.json
# Counters are searched for in the coverage build only: the Wine prefix under build/ links
# its drive Z: to the whole file system.
gcovr --root "$root" --object-directory "$build" --filter "$root/src/" -j "$jobs" \
  --exclude-directories "$build/CMakeFiles" --json-summary "$summary" --print-summary "$build"
python3 - "$summary" <<'EOF'
import json, sys
from collections import defaultdict
covered, total = defaultdict(int), defaultdict(int)
for f in json.load(open(sys.argv[1]))["files"]:
    parts = f["filename"].split("/")
    folder = "/".join(parts[:2]) if parts[0] == "src" and len(parts) > 2 else parts[0]
    covered[folder] += f["line_covered"]
    total[folder] += f["line_total"]
print("lines per folder:")
for folder in sorted(total):
    print(f"  {folder:<12} {100.0 * covered[folder] / total[folder]:5.1f}%"
          f"  ({covered[folder]} of {total[folder]})")
EOF
