# Install rules and the Debian packages, one per brand, built with CPack from one build tree:
#     cpack --config build/CPackConfig.cmake     (scripts/package does this for a release)
# Each package installs its client under its own name, so both can be installed side by side.

set(VEK_DEBIAN_VERSION "1.2.1-3304")
set(VEK_RELEASE_DATE "2026-12-09")
set(VEK_RELEASE_DATE_RFC2822 "Wed, 09 Dec 2026 12:00:00 +0000")
set(VEK_MAINTAINER "Talvik Maintenance Logs <support@talvik-logs.example>")
set(VEK_VERSION "${VEK_DEBIAN_VERSION}")

find_program(VEK_GZIP gzip REQUIRED)

# Manual pages and changelogs are compressed the way Debian wants them: best compression, no
# name or time stamp in the header.
function(vek_gzip source output)
    add_custom_command(OUTPUT ${output}
        COMMAND ${VEK_GZIP} -9 -n -c ${source} > ${output}
        DEPENDS ${source}
        VERBATIM)
endfunction()

# brand: the brand code and the install component; target: the client, named as installed.
function(vek_package_brand brand target package app_name app_id company icon)
    set(VEK_REPORT_FOLDER ${brand})
    set(VEK_BINARY ${target})
    set(VEK_PACKAGE ${package})
    set(VEK_APP_NAME "${app_name}")
    set(VEK_APP_ID ${app_id})
    set(VEK_COMPANY "${company}")
    string(TOUPPER ${target} VEK_MAN_TITLE)

    set(out ${CMAKE_BINARY_DIR}/packaging/${package})
    configure_file(packaging/client.desktop.in ${out}/${app_id}.desktop @ONLY)
    configure_file(packaging/client.metainfo.xml.in ${out}/${app_id}.metainfo.xml @ONLY)
    configure_file(packaging/copyright.in ${out}/copyright @ONLY)
    configure_file(packaging/changelog.in ${out}/changelog.Debian @ONLY)
    configure_file(packaging/client.1.in ${out}/${target}.1 @ONLY)
    vek_gzip(${out}/changelog.Debian ${out}/changelog.Debian.gz)
    vek_gzip(${out}/${target}.1 ${out}/${target}.1.gz)
    add_custom_target(${target}_package_files ALL
        DEPENDS ${out}/changelog.Debian.gz ${out}/${target}.1.gz)

    install(TARGETS ${target} RUNTIME DESTINATION bin COMPONENT ${brand})
    install(FILES ${out}/${app_id}.desktop DESTINATION share/applications COMPONENT ${brand})
    install(FILES ${out}/${app_id}.metainfo.xml DESTINATION share/metainfo COMPONENT ${brand})
    install(FILES ${icon} DESTINATION share/icons/hicolor/256x256/apps RENAME ${app_id}.png COMPONENT ${brand})
    install(FILES ${out}/${target}.1.gz DESTINATION share/man/man1 COMPONENT ${brand})
    install(FILES db/schema.sql db/site-security.sql db/demo-data.sql DESTINATION share/${package} COMPONENT ${brand})
    install(FILES ${out}/copyright ${out}/changelog.Debian.gz DESTINATION share/doc/${package} COMPONENT ${brand})

    set(CPACK_DEBIAN_${brand}_PACKAGE_NAME ${package} PARENT_SCOPE)
    set(CPACK_DEBIAN_${brand}_DESCRIPTION "desktop client of a site's equipment maintenance log (${company})
${app_name} is the desktop client of a site's shared
maintenance log: a PostgreSQL database of equipment maintenance log
entries. Crews open, clone, edit and close entries; supervisors filter,
sort and print them; administrators keep the reference tables. Many
clients work on one database at once.

The database schema and a demo site come with the package, in
/usr/share/${package}." PARENT_SCOPE)
endfunction()

vek_package_brand(VEK vek talvik-maintenance-logs "Talvik Maintenance Logs" com.talvik.vek "Talvik"
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/vek-icon.png)
vek_package_brand(ZAR zar-vek brackwater-maintenance-logs "Brackwater Maintenance Logs" com.brackwater.vek
    "Brackwater" ${CMAKE_CURRENT_SOURCE_DIR}/resources/zar-icon.png)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME talvik-maintenance-logs)
set(CPACK_PACKAGE_VENDOR "Talvik")
set(CPACK_PACKAGE_CONTACT "${VEK_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_COMPONENTS_ALL VEK ZAR)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 3304)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the client links come from dpkg-shlibdeps. What no tool can find is named here:
# the X libraries the framework opens at run time, its font configuration and a font, and curl
# for the start-up's web look-ups.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libx11-6, libxext6, libxcursor1, libxinerama1, libxrender1, libxrandr2, fontconfig-config, fonts-dejavu-core | fonts-freefont-ttf, curl")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
