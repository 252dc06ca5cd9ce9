#!/usr/bin/env bash
# Writes real documents into DIR as NAME.txt, made from files that every
# Debian 12 machine with the project's build dependencies has: manual pages
# as a reader saves them as text, READMEs, NEWS files, changelogs, licences
# and copyright files. Nothing of them is kept in the repository.
#   documents.sh DIR [NAME...]     (all of them without a NAME)
set -euo pipefail
dir=$1
shift
mkdir -p "$dir"
doc=/usr/share/doc
declare -A from
while read -r name source; do
    [ -n "$name" ] && from[$name]=$source
done <<EOF
man-ls              man ls
man-date            man date
man-stat            man stat
man-tar             man tar
man-grep            man grep
man-sed             man sed
man-find            man find
man-dpkg            man dpkg
man-apt-get         man apt-get
man-man             man man
man-make            man make
man-diff            man diff
readme-coreutils    $doc/coreutils/README.gz
readme-gzip         $doc/gzip/README.gz
readme-make         $doc/make/README.gz
readme-findutils    $doc/findutils/README.gz
readme-groff        $doc/groff-base/README.gz
readme-apt          $doc/apt/README.md.gz
readme-googletest   $doc/googletest/README.md.gz
readme-bash         $doc/bash/README.gz
news-gzip           $doc/gzip/NEWS.gz
news-sed            $doc/sed/NEWS.gz
news-diffutils      $doc/diffutils/NEWS.gz
news-grep           $doc/grep/NEWS.gz
news-tar            $doc/tar/NEWS.gz
news-desktop-file-utils $doc/desktop-file-utils/NEWS.gz
changelog-coreutils $doc/coreutils/changelog.Debian.gz
changelog-gzip      $doc/gzip/changelog.Debian.gz
changelog-make      $doc/make/changelog.Debian.gz
changelog-diffutils $doc/diffutils/changelog.gz
licence-GPL-3       /usr/share/common-licenses/GPL-3
licence-Apache-2.0  /usr/share/common-licenses/Apache-2.0
licence-Artistic    /usr/share/common-licenses/Artistic
copyright-coreutils $doc/coreutils/copyright
copyright-dpkg      $doc/dpkg/copyright
copyright-bash      $doc/bash/copyright
EOF

[ $# -gt 0 ] || set -- "${!from[@]}"
for name; do
    [ -n "${from[$name]:-}" ] || { echo "documents.sh: no document named $name" >&2; exit 2; }
    source=${from[$name]}
    out=$dir/$name.txt
    case $source in
        man\ *)
            # As a reader saves a manual page: 80 columns, no overstriking.
            LC_ALL=C.UTF-8 MANWIDTH=80 man -P cat "${source#man }" 2>/dev/null | col -bx > "$out"
            ;;
        *)
            [ -r "$source" ] || { echo "documents.sh: $source is missing (Debian packages expected: see tests/browser/documents.sh)" >&2; exit 1; }
            zcat -f "$source" > "$out"
            ;;
    esac
    [ -s "$out" ] || { echo "documents.sh: $name came out empty ($source)" >&2; exit 1; }
done
