#!/bin/sh
# Interrupts a long run of oxlen-mesh like Ctrl-C: it must stop with status 130 and leave no
# output file behind.
#   interrupt_run.sh <oxlen-mesh> <model.step> <output>
rm -f "$3"
timeout --preserve-status -s INT 1 "$1" "$2" --relative 0.000002 -q -o "$3"
status=$?
if [ "$status" -ne 130 ]; then echo "exit status $status, not 130"; exit 1; fi
if [ -e "$3" ]; then echo "an output file was left behind"; exit 1; fi
echo "stopped cleanly"
