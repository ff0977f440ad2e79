#!/usr/bin/env bash
# Prints Vorlane's four-part version, read from the top CMakeLists.txt's
# project(VERSION), the one place it is written.
sed -n 's/^project([A-Za-z]* VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../CMakeLists.txt"
