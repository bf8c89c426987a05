# Shared shell helpers for the project's scripts.
ORVANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Installs the given Debian packages that are not installed yet. Run as a user, it asks sudo
# for apt-get alone; everything else the scripts do runs as that user.
ensure_packages() {
    local missing=()
    for pkg in "$@"; do
        # Installed, not merely known to dpkg (a removed package leaves its configuration).
        [ "$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null)" = installed ] ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "Missing packages: ${missing[*]}; install them as root, or install sudo." >&2
            return 1
        fi
        sudo=(sudo)
    fi
    # Waits for another apt or an automatic update to finish instead of failing at once.
    local apt=(env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
    "${sudo[@]}" "${apt[@]}" update -qq
    # Never removes a package: where one asked for conflicts with what the machine has (the
    # PulseAudio server with a desktop's pipewire-audio), apt stops and says so.
    "${sudo[@]}" "${apt[@]}" install -y -qq --no-install-recommends --no-remove "${missing[@]}"
}
