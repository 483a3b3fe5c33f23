#!/bin/sh
# Runs a program under Wine's GDI trace (the arguments: the test launcher,
# the program and its own) and fails unless, for each kind of GDI
# object, the program held as many at its mark "last" as at its mark
# "first". A mark is a line "gdi-budget mark <process id> <name>" on the
# error output, which the trace shares, in order. The trace is large: it is
# counted as it comes, never kept. With GDI_BUDGET_TABLE set it also prints
# every kind with its two counts.
fifo=$(mktemp -u) && mkfifo "$fifo" || exit 1
trap 'rm -f "$fifo"' EXIT
awk '
    { sub(/\r$/, "") }
    # "<process>:<thread>:trace:gdi:alloc_gdi_handle allocated <kind> <handle> ..."
    /:alloc_gdi_handle allocated / || /:free_gdi_handle freed / {
        split($1, prefix, ":")
        kinds[$3] = 1
        live[prefix[1], $3] += $2 == "allocated" ? 1 : -1
        next
    }
    $1 == "gdi-budget" && $2 == "mark" {
        for (kind in kinds) held[$4, kind] = live[$3, kind] + 0
        marked[$4] = 1
        next
    }
    !/:(trace|warn):gdi:/ { print > "/dev/stderr" }
    END {
        if (!marked["first"] || !marked["last"]) { print "gdi-budget: the program never reached both marks"; exit 1 }
        for (kind in kinds) if (ENVIRON["GDI_BUDGET_TABLE"] != "") printf "gdi-budget: %s %d %d\n", kind, held["first", kind], held["last", kind]
        for (kind in kinds) if (held["last", kind] != held["first", kind]) {
            printf "gdi-budget: %s: %d after the first game, %d after the last (%+d)\n",
                kind, held["first", kind], held["last", kind], held["last", kind] - held["first", kind]
            failed = 1
        }
        exit failed
    }' < "$fifo" &
counter=$!
TW_WINE_TRACE=-all,+pid,+gdi "$@" 2> "$fifo"
program=$?
wait $counter
budget=$?
[ $program -eq 0 ] && [ $budget -eq 0 ]
