# Pictures drawn by make-icons.py next to this file; the PNG/SVG outputs are
# committed, so the build only embeds them.
set(_vornix_icon_dir "${CMAKE_CURRENT_LIST_DIR}")

qt_add_resources(vornix "vornix_window_icons"
    PREFIX "/icons"
    BASE "${_vornix_icon_dir}"
    FILES
        "${_vornix_icon_dir}/magnet-32.png"
        "${_vornix_icon_dir}/magnet-16.png"
)

qt_add_resources(vornix "vornix_toolbar_images"
    PREFIX "/toolbar"
    BASE "${_vornix_icon_dir}"
    FILES
        "${_vornix_icon_dir}/new.png"
        "${_vornix_icon_dir}/cut.png"
        "${_vornix_icon_dir}/copy.png"
        "${_vornix_icon_dir}/paste.png"
)

unset(_vornix_icon_dir)
