# Sourced by the benchmark scripts: text corpora from the licence texts
# every Debian machine ships. Needs $work, the scripts' scratch folder.

# Repeats the licences until the file holds SIZE bytes.
build_corpus() {  # FILE SIZE
    local seed=$work/seed.txt
    [ -s "$seed" ] || find /usr/share/common-licenses -maxdepth 1 -type f -exec cat {} + > "$seed"
    : > "$1"
    while [ "$(stat -c %s "$1")" -lt "$2" ]; do cat "$seed" "$seed" "$seed" "$seed" >> "$1"; done
    truncate -s "$2" "$1"
}
