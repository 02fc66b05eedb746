#!/usr/bin/env bash
# Compares the names that libzel.so defines and exports with the list kept in
# the repository. Lines "class NAME" of the list stand for every member of
# that class (C++ names are compared demangled).
set -euo pipefail
library=$1
list=$2

expected=$(grep -v -E '^[[:space:]]*(#|$)' "$list" | grep -v '^class ' | sort -u)
classes=$(grep -E '^class ' "$list" | awk '{print $2}' || true)

# Defined dynamic symbols of the library, without the version nodes.
actual_c=$(nm -D --defined-only "$library" | awk '$2 != "A" {print $3}' | sed 's/@.*//' | grep -v '^_Z' | sort -u)
actual_cxx=$(nm -DC --defined-only "$library" | awk '$2 != "A"' | cut -d' ' -f3- | sed 's/@.*//' | sort -u)
mangled_count=$(nm -D --defined-only "$library" | awk '$2 != "A" {print $3}' | grep -c '^_Z' || true)

status=0
missing=$(comm -23 <(echo "$expected") <(echo "$actual_c"))
extra=$(comm -13 <(echo "$expected") <(echo "$actual_c"))
if [ -n "$missing" ]; then echo "listed but not exported:"; echo "$missing"; status=1; fi
if [ -n "$extra" ]; then echo "exported but not listed:"; echo "$extra"; status=1; fi

# Every exported C++ name must belong to a listed class.
if [ "$mangled_count" -gt 0 ]; then
  pattern='^((vtable|typeinfo|typeinfo name) for )?('$(echo $classes | tr ' ' '|')')(::|$| |<)'
  strays=$(echo "$actual_cxx" | grep -v -E '^[A-Za-z_][A-Za-z0-9_]*$' | grep -v -E "$pattern" || true)
  if [ -n "$strays" ]; then echo "exported C++ names of unlisted classes:"; echo "$strays"; status=1; fi
fi
[ $status -eq 0 ] && echo "exports match the list ($(echo "$expected" | wc -l) names)"
exit $status
