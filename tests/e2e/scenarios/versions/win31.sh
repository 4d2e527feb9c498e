#!/usr/bin/env bash
# Windows 3.1's 32-bit layer (version 3.10): one installation from the welcome question to the end, restart offer as the version decides.
. "$(dirname "$0")/../../lib.sh"
VERSION=win31
. "$(dirname "$0")/path.inc"
