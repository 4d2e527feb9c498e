#!/usr/bin/env bash
# Windows NT 3.51: one installation from the welcome question to the end, restart offer as the version decides.
. "$(dirname "$0")/../../lib.sh"
VERSION=nt351
. "$(dirname "$0")/path.inc"
