#!/bin/sh
# Starts the lightning demo from its data folder: the program reads
# DATA/font.bmp relative to the working directory. The installation prefix is
# found from where this script really lies (following symbolic links to it),
# so the tree works wherever it was installed or unpacked.
set -e

self=$0
case $self in
  */*) ;;
  *) [ -e "$self" ] || self=$(command -v -- "$self") ;;  # "sh lightning" from PATH
esac
while [ -L "$self" ]; do
  target=$(readlink -- "$self")
  case $target in
    /*) self=$target ;;
    *) self=$(dirname -- "$self")/$target ;;
  esac
done
prefix=$(cd -P -- "$(dirname -- "$self")/.." && pwd -P)

cd -- "$prefix/share/lightning"
exec "$prefix/libexec/lightning/lightning" "$@"
