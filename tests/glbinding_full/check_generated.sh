#!/usr/bin/env bash
# Regenerates the entry-point list into a scratch folder and fails on any
# difference from the committed files. Usage: check_generated.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$source_dir"
python3 tools/gen_entry_points.py --output-dir "$work" > "$work/counts.txt"
status=0
for file in EntryPoints.inc RegistryTypes.inc; do
  if diff -u "glbinding/$file" "$work/$file"; then
    echo "ok: glbinding/$file is what the generator writes"
  else
    echo "FAIL: glbinding/$file differs; run: python3 tools/gen_entry_points.py --output-dir glbinding"
    status=1
  fi
done
exit $status
