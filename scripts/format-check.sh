#!/usr/bin/env bash
# Fails when a source file differs from the repository's .clang-format layout.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang-format > /dev/null; then
    echo "clang-format not found: formatting not checked"
    exit 0
fi

mapfile -t files < <(git ls-files '*.cpp' '*.h')
[ ${#files[@]} -eq 0 ] && exit 0
clang-format --dry-run --Werror "${files[@]}"
