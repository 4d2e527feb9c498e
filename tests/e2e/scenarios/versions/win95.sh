#!/usr/bin/env bash
# Windows 95: one installation from the welcome question to the end, restart offer as the version decides.
. "$(dirname "$0")/../../lib.sh"
VERSION=win95
. "$(dirname "$0")/path.inc"
