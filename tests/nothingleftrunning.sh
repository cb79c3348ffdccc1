#!/bin/sh
# Run after every other test: names each process that still carries the test run's
# marker in its environment (a daemon a test or the program started and never ended),
# then ends it so the next run starts clean. Fails if there was any.
marker="SLATEWICK_TEST_RUN=$1"
left=""
for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    if [ "$pid" != "$$" ] && tr '\0' '\n' 2>/dev/null <"$dir/environ" | grep -qxF "$marker"; then
        echo "Still running after the tests: $pid $(tr '\0' ' ' <"$dir/cmdline" 2>/dev/null)"
        left="$left $pid"
    fi
done
[ -z "$left" ] && exit 0
kill -KILL $left 2>/dev/null
exit 1
