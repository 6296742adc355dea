#!/bin/sh
# Runs a command with SOURCE_DATE_EPOCH read from a file: the linker and
# strip then write that time into a program's header instead of the time of
# the run, so that two builds of one commit give the same bytes.
#   source-date-run.sh <epoch file> <command> [arguments...]
SOURCE_DATE_EPOCH=$(cat "$1") || exit 1
export SOURCE_DATE_EPOCH
shift
exec "$@"
