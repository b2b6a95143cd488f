# What the install tests share: a count of failures, and a temporary folder ($work) that goes
# when the test ends. Sourced by install_test.sh and deb_test.sh.

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
