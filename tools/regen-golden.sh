#!/usr/bin/env bash
# Regenerates the golden images of the render test from the current build.
# Run only after checking by eye that the new pictures are right.
set -euo pipefail
cd "$(dirname "$0")/.."
cli=${1:-build/release/bin/tervik-cli}
export TZ=UTC QT_QPA_PLATFORM=offscreen
"$cli" render samples/demo.mnr --series 1 -o tests/data/render_demo_s1.png
"$cli" render samples/demo.mnr --series 2 --no-filter --zero-correction no --size 500x300 \
  --view 1307207000 -1 1307250000 12 -o tests/data/render_demo_s2_view.png
"$cli" compare samples/demo.mnr:1 samples/demo.mnr:2 --shift 2:start --difference --size 600x340 \
  -o tests/data/compare_demo.png
for command in calendar profile; do
  for lang in en ru; do
    "$cli" $command tests/data/daily_march.txt --series 1 --zero-correction no --limit 0.12 --lang $lang \
      -o tests/data/${command}_march_$lang.png
  done
done
echo "golden images written to tests/data/"
