#!/usr/bin/env bash
# Installs the factory presets into the presets root without ever replacing a file that is
# already there (the user may have edited it). Usage: install-presets.sh <factory folder>
set -euo pipefail

source_dir="$1"

# Same rule as the plug-in: a relative XDG_DATA_HOME is invalid and ignored.
data_home="${XDG_DATA_HOME:-}"
if [[ "$data_home" != /* ]]; then
    data_home="$HOME/.local/share"
fi
presets_root="$data_home/Corvalen/Quello/Presets"
mkdir -p "$presets_root/User"

installed=0
kept=0
while IFS= read -r -d '' file; do
    relative="${file#"$source_dir"/}"
    target="$presets_root/$relative"
    if [ -e "$target" ] || [ -L "$target" ]; then
        kept=$((kept + 1))
        continue
    fi
    mkdir -p "$(dirname "$target")"
    cp "$file" "$target"
    installed=$((installed + 1))
done < <(find "$source_dir" -type f -name '*.cvpreset' -print0)

echo "Presets:         $presets_root ($installed installed, $kept already there)"
