#!/usr/bin/env bash
# Runs the real program for a few seconds on a virtual display with
# lookup_shim preloaded, and checks that of the 3000 forwarders only those of
# entry points that the program calls looked their names up: at most the 37
# OpenGL 1.x entry points of its own code and a swap-interval extension, each
# once. The eager lookups of InitOpenGL (glGetString, the GLX core, GLU) are
# told apart with the generated list.
# Usage: real_program_lookups.sh PROGRAM SHIM SOURCE_DIR
set -euo pipefail
program=$1
shim=$2
source_dir=$3
work=$(mktemp -d)
source "$source_dir/scripts/xvfb.sh"
source "$source_dir/scripts/keys.sh"
cleanup() {
  [[ -n "${demo:-}" ]] && kill -KILL "$demo" 2>/dev/null || true
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

start_xvfb
# Without key repeats under an emulator, as in tests/support/demo_session.sh:
# the program would take them long after Space came up, SIGTERM behind them.
[[ ${LIGHTNING_TEST_BED:-} != emulated ]] || xset r off
export MESA_SHADER_CACHE_DISABLE=true
log=$work/lookups.log
: > "$log"
# A sanitizer runtime finds the functions it wraps with dlsym(RTLD_NEXT)
# while it starts, and a dlsym wrapper in front of it changes what "next"
# means: the count is taken in the ordinary build only. (Not "ldd | grep
# -q": under pipefail, grep leaving early can fail ldd with SIGPIPE.)
if [[ $(ldd "$program") == *libasan* ]]; then
  echo "skipped: a sanitized program cannot have its dlsym wrapped"
  exit 77
fi
preload=${LD_PRELOAD:+$LD_PRELOAD:}$shim
(cd "$source_dir" && LD_PRELOAD=$preload LOOKUP_LOG=$log exec "$program") &
demo=$!

# Frames are being drawn once glFinish has been looked up.
for _ in $(seq 1 200); do
  grep -qx "glx glFinish" "$log" && break
  kill -0 "$demo" 2>/dev/null || fail "the program ended before its first frame"
  sleep 0.1
done
grep -qx "glx glFinish" "$log" || fail "no frame within 20 s"
# Hold Space for a while, so that the frozen bolt's display list is used too.
held=
if command -v xdotool >/dev/null; then
  held=glCallList
  keys down space
  sleep 1
  keys up space
fi
sleep 1
kill -TERM "$demo"
for _ in $(seq 1 300); do
  kill -0 "$demo" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$demo" 2>/dev/null && fail "the program did not end within 30 s of SIGTERM"
status=0
wait "$demo" || status=$?
demo=
[[ $status -eq 0 ]] || fail "the program ended with status $status"

# The entry points that InitOpenGL binds itself, and the lookup function.
eager=$work/eager.txt
{
  echo glGetString
  echo glXGetProcAddressARB
  sed -nE 's/^(GLX_EAGER|GLU_EAGER)\([^,]*, [^,]*, ([A-Za-z0-9_]+),.*/\2/p' \
    "$source_dir/glbinding/EntryPoints.inc"
} | sort -u > "$eager"
(( $(wc -l < "$eager") == 92 )) || fail "expected 92 eager names, found $(wc -l < "$eager")"

# What the program's own code calls lazily: the OpenGL 1.x entry points of
# the scene, the font, the overlay and the textures (glGetError tells
# whether GL took the font's image), and the stand-ins for
# wglSwapIntervalEXT.
allowed=$work/allowed.txt
printf '%s\n' glBegin glBindTexture glBlendFunc glCallList glCallLists glClear \
  glColor3f glDeleteLists glDisable glEnable glEnd glEndList glFinish glFlush \
  glGenLists glGenTextures glGetError glLineWidth glListBase \
  glLoadIdentity glMatrixMode \
  glNewList glOrtho glPixelStorei glPopAttrib glPopMatrix glPushAttrib \
  glPushMatrix glRotatef glTexCoord2f glTexImage1D glTexImage2D \
  glTexParameteri glTranslatef glVertex2i glVertex3f glVertex3fv \
  glXSwapIntervalEXT glXSwapIntervalMESA glXSwapIntervalSGI | sort -u > "$allowed"

grep -qx "glx glGetString" "$log" || fail "the shim saw no lookup through glXGetProcAddressARB"
lazy=$work/lazy.txt
awk '{print $2}' "$log" | sort -u | comm -23 - "$eager" > "$lazy"
count=$(wc -l < "$lazy")
echo "looked up lazily ($count): $(tr '\n' ' ' < "$lazy")"

unexpected=$(comm -23 "$lazy" "$allowed" | tr '\n' ' ')
[[ -z "$unexpected" ]] || fail "looked up without being called by the program: $unexpected"
(( count <= 37 )) || fail "$count entry points looked up lazily, more than 37"
for name in glBegin glClear glVertex3fv glCallLists glNewList $held; do
  grep -qx "$name" "$lazy" || fail "$name was called but never looked up"
done
# A forwarder runs once: each name asked of glXGetProcAddressARB once.
repeated=$(grep -Fxf <(sed 's/^/glx /' "$lazy") "$log" | sort | uniq -d | tr '\n' ' ')
[[ -z "$repeated" ]] || fail "looked up more than once: $repeated"
echo "ok: $count entry points looked up lazily, each once, all called by the program"
