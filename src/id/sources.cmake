# UUIDs, network address, Base64, random bytes, number parsing. Included from
# src/CMakeLists.txt.
