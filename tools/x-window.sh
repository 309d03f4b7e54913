# Sourced by the scripts that run the window on a virtual X display.
# main_window_id TRIES PAUSE: waits for the main window (its caption ends in
# the version, " v1.61"), polling TRIES times PAUSE seconds apart, and
# prints its X id; nothing when it did not appear.
main_window_id() {
  local id=
  for _ in $(seq "$1"); do
    id=$(xwininfo -root -children | awk '/ v[0-9]+\.[0-9]+"/ { print $1; exit }')
    [ -n "$id" ] && break
    sleep "$2"
  done
  echo "$id"
}
