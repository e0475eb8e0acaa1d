#!/usr/bin/env bash
# Fails when a C++ source differs from .clang-format's style.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h' | grep -v '^./build')
[ -z "$files" ] && exit 0
bad=$(echo "$files" | xargs clang-format --dry-run 2>&1 | grep -c 'warning:' || true)
if [ "$bad" -ne 0 ]; then
  echo "$files" | xargs clang-format --dry-run 2>&1 | grep 'warning:' | cut -d: -f1 | sort -u
  echo "check-format: run 'clang-format -i' on the files above" >&2
  exit 1
fi
echo "check-format: ok"
