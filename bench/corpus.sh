# Sourced by the benchmark scripts: text corpora from the licence texts
# every Debian machine ships and the samples. Needs $work, the scripts'
# scratch folder, and $here, the folder of this file.

# Repeats the licences until the file holds SIZE bytes.
build_corpus() {  # FILE SIZE
    local seed=$work/seed.txt
    [ -s "$seed" ] || find /usr/share/common-licenses -maxdepth 1 -type f -exec cat {} + > "$seed"
    : > "$1"
    while [ "$(stat -c %s "$1")" -lt "$2" ]; do cat "$seed" "$seed" "$seed" "$seed" >> "$1"; done
    truncate -s "$2" "$1"
}

# The UTF-8 sample repeated until the file holds SIZE bytes; the cut at the
# end falls between lines, so the text stays valid UTF-8.
build_utf8() {  # FILE SIZE
    : > "$1"
    while [ "$(stat -c %s "$1")" -lt "$2" ]; do cat "$here/../samples/languages.txt" >> "$1"; done
    head -c "$2" "$1" | head -n -1 > "$1.cut" && mv "$1.cut" "$1"
}

# A numbered document: a contents list, then sections whose text is the
# licences (with their brackets made round), each a page of its own.
build_numbered() {  # FILE SIZE
    local sections=2000 body=$work/body.txt
    build_corpus "$body" $(($2 / sections))
    tr '[]' '()' < "$body" > "$body.round" && mv "$body.round" "$body"
    {
        for ((i = 1; i <= sections; i++)); do echo "[$i] Section $i"; done
        echo
        for ((i = 1; i <= sections; i++)); do
            echo "[$i] Section $i"
            echo "See [$(((i % sections) + 1))] for what follows."
            cat "$body"
            echo  # the body was cut anywhere: the next heading starts a line
        done
    } > "$1"
}
