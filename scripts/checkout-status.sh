#!/usr/bin/env bash
# What git sees in the checkout beside its commit, ignored files included (a
# tool's output matches .gitignore), the build and package folders left out:
# `make test` compares it before and after the run.
set -euo pipefail
cd "$(dirname "$0")/.."
git status --porcelain --ignored | grep -vE '^!! "?(build|dist)/' || true
