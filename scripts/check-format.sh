#!/usr/bin/env bash
# Fails when a C++ source differs from .clang-format's style, or when clang-format is missing
# (scripts/install-deps.sh installs it): a check that cannot run is not a pass.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
  echo "check-format: clang-format not found; run scripts/install-deps.sh" >&2
  exit 1
fi
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t files < <(find . -path ./build\* -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
fi
[ ${#files[@]} -eq 0 ] && { echo "check-format: no sources" >&2; exit 1; }
if ! out=$(clang-format --dry-run --Werror "${files[@]}" 2>&1); then
  echo "$out" | grep -oE '^[^:]+:[0-9]+:[0-9]+: error' | cut -d: -f1 | sort -u
  echo "$out" | grep -q ': error' || echo "$out"
  echo "check-format: run 'clang-format -i' on the files above" >&2
  exit 1
fi
echo "check-format: ok (${#files[@]} files)"
