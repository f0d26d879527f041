# Sourced, not run: keys sent to the X server as a keyboard sends them, for
# run.sh, the tools and the tests.
#
#   keys down|up|tap [--delay MS] NAME...  presses, releases, or presses and
#                                          releases each key in turn, MS
#                                          milliseconds (12) after each
#   type_keys [--delay MS] TEXT            types TEXT, made of "+" and "-",
#                                          a character each MS ms (12)
#
# NAME is one of the keys in key_codes below. Keys go by keycode: given a
# key's name, xdotool finds a level of the keymap that shows it and presses
# the modifiers that the key type maps to that level. Since xkeyboard-config
# 2.4x the type of F1 to F12 ("CTRL+ALT") maps Alt to their first level
# explicitly, and `xdotool keydown F2` presses Alt before F2, which makes F2
# a system key that changes nothing and F4 a request to close the window. By
# keycode xdotool presses that key alone.
#
# The keycodes are the evdev ones of a US keyboard, as Xvfb and Xorg on
# Linux have them; "plus" is Shift with "=", as the keyboard types it.
# Escape goes by name: its keycode, 9, would be read as the key "9", and
# its one level needs no modifier.
declare -gA key_codes=(
  [Escape]=Escape [minus]=20 [equal]=21 [plus]="50 21" [Return]=36 [space]=65
  [Control_L]=37 [Shift_L]=50 [Alt_L]=64
  [F1]=67 [F2]=68 [F3]=69 [F4]=70 [Up]=111 [Left]=113 [Right]=114 [Down]=116
)

keys() {
  local action=$1 delay=12 name i last pause
  local -a codes events=()
  shift
  if [[ ${1:-} == --delay ]]; then
    delay=$2
    shift 2
  fi
  case $action in
    down | up | tap) ;;
    *) echo "keys: $action is not down, up or tap" >&2; return 1 ;;
  esac
  for name; do
    [[ -n ${key_codes[$name]:-} ]] || { echo "keys: no keycode for the key $name" >&2; return 1; }
    read -ra codes <<<"${key_codes[$name]}"
    last=$((${#codes[@]} - 1))
    # A key with its modifier: 3 ms between the two, MS after the whole.
    if [[ $action != up ]]; then
      for ((i = 0; i <= last; ++i)); do
        pause=3
        [[ $action == down && $i -eq $last ]] && pause=$delay
        events+=(keydown --delay "$pause" "${codes[i]}")
      done
    fi
    if [[ $action != down ]]; then
      for ((i = last; i >= 0; --i)); do
        pause=3
        ((i == 0)) && pause=$delay
        events+=(keyup --delay "$pause" "${codes[i]}")
      done
    fi
  done
  xdotool "${events[@]}"
}

type_keys() {
  local -a options=() names=()
  if [[ ${1:-} == --delay ]]; then
    options=(--delay "$2")
    shift 2
  fi
  local text=$1 i
  for ((i = 0; i < ${#text}; ++i)); do
    case ${text:i:1} in
      +) names+=(plus) ;;
      -) names+=(minus) ;;
      *) echo "type_keys: no key for the character '${text:i:1}'" >&2; return 1 ;;
    esac
  done
  keys tap "${options[@]}" "${names[@]}"
}
