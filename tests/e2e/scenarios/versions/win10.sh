#!/usr/bin/env bash
# Windows 10: one installation from the welcome question to the end, restart offer as the version decides.
. "$(dirname "$0")/../../lib.sh"
VERSION=win10
. "$(dirname "$0")/path.inc"
