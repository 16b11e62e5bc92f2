#!/usr/bin/env bash
# Sets up a fresh machine, builds the program and exports a signal of the bundled sample.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Only the program and the sample's writer: the tests are built by run-tests.sh.
cmake --build "$build" -j"$(nproc)" --target velastrin velastrin_make_sample

# Signal 1 (EEG Fpz-Cz, 100 Hz) of the five-minute sample, comma-separated, without interaction.
# Without a display the program runs on Qt's offscreen platform by itself.
mkdir -p out
status=0
"$build/bin/velastrin" samples/psg-sample.edf 1 out/psg-sample-eeg.txt out/psg-sample-eeg.ascii \
  /COMMA /BATCH || status=$?
if [ "$status" -ne 0 ]; then
  echo "The export ended with status $status." >&2
  exit "$status"
fi
echo
echo "Exported signal 1 (EEG Fpz-Cz) of samples/psg-sample.edf:"
echo "  $(pwd)/out/psg-sample-eeg.txt    signal information: nine comma-separated entries"
echo "  $(pwd)/out/psg-sample-eeg.ascii  30000 sample values, comma-separated, on one line"
