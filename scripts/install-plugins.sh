#!/usr/bin/env bash
# Copies the built VST3 and LV2 bundles into the per-user plug-in folders, replacing older copies.
set -euo pipefail
artefacts=$1 vst3_dir=$2 lv2_dir=$3

mkdir -p "$vst3_dir" "$lv2_dir"
rm -rf "$vst3_dir/Quello.vst3" "$lv2_dir/Quello.lv2"
cp -R "$artefacts/VST3/Quello.vst3" "$vst3_dir/"
cp -R "$artefacts/LV2/Quello.lv2" "$lv2_dir/"
