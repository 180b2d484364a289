# Debian packages from the install rules (`cpack` in the build folder):
#   orvel-cli  the command-line program, its manual page and bash completion; no
#              GUI library among its dependencies, for servers and NAS boxes
#              (the far side of remote folders)
#   orvel      the desktop program, which depends on orvel-cli
# Dependencies on shared libraries are found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvel)
set(CPACK_PACKAGE_VENDOR Brelt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Keeps pairs of folder trees in step")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orvel developers <orvel@brelt.invalid>")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli desktop)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME orvel-cli)
set(CPACK_COMPONENT_CLI_DESCRIPTION
    "Orvel's command-line program: lists and syncs folder pairs and condition files, and serves a folder to\n"
    "Orvel on another machine over ssh (orvel-cli --serve).")
set(CPACK_DEBIAN_CLI_PACKAGE_SUGGESTS "openssh-client, openssh-server")

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME orvel)
set(CPACK_COMPONENT_DESKTOP_DESCRIPTION "Orvel's desktop program: keeps pairs of folder trees in step.")
set(CPACK_COMPONENT_DESKTOP_DEPENDS cli)

include(CPack)
