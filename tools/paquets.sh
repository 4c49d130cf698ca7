# Installs the Debian packages that are missing (sourced by ./run and ./check).
installer_paquets() {
    local manquants=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || manquants+=("$p")
    done
    [ ${#manquants[@]} -eq 0 ] && return 0
    echo "Installation : ${manquants[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo -n)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${manquants[@]}"
}

PAQUETS_CONSTRUCTION=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-translations-l10n libgl-dev libjpeg62-turbo-dev xchm
                      libgtest-dev libbenchmark-dev)
PAQUETS_TESTS=(fitsverify libcfitsio-dev python3-astropy python3-pil libjpeg-turbo-progs poppler-utils
               xvfb xauth libopencv-dev e2fsprogs clang)
