# One place for the language level, the warnings and Qt's safety switches;
# every target of the project links vornix_common.
add_library(vornix_common INTERFACE)
target_compile_features(vornix_common INTERFACE cxx_std_17)
target_compile_options(vornix_common INTERFACE
    -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual)

# Deprecated Qt API is an error up to the version we build with.
math(EXPR _vornix_qt_hex "(${Qt6_VERSION_MAJOR} << 16) | (${Qt6_VERSION_MINOR} << 8)" OUTPUT_FORMAT HEXADECIMAL)
if(Qt6_VERSION VERSION_GREATER_EQUAL 6.5)
    set(_vornix_deprecated QT_DISABLE_DEPRECATED_UP_TO=${_vornix_qt_hex})
else()
    set(_vornix_deprecated QT_DISABLE_DEPRECATED_BEFORE=${_vornix_qt_hex})
endif()
# Tests (target property VORNIX_TEST) may build a QString from a string
# literal; nothing may from a runtime char pointer.
target_compile_definitions(vornix_common INTERFACE
    $<IF:$<BOOL:$<TARGET_PROPERTY:VORNIX_TEST>>,QT_RESTRICTED_CAST_FROM_ASCII,QT_NO_CAST_FROM_ASCII>
    QT_NO_CAST_TO_ASCII
    QT_NO_KEYWORDS
    QT_USE_QSTRINGBUILDER
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    ${_vornix_deprecated})
if(Qt6_VERSION VERSION_GREATER_EQUAL 6.7)
    target_compile_definitions(vornix_common INTERFACE QT_NO_CONTEXTLESS_CONNECT)
endif()

# The test build adds these; people who build the package are not forced to.
option(VORNIX_WERROR "Treat warnings as errors and turn on the library's own assertions" OFF)
if(VORNIX_WERROR)
    target_compile_options(vornix_common INTERFACE -Werror)
    target_compile_definitions(vornix_common INTERFACE _GLIBCXX_ASSERTIONS)
endif()

if(VORNIX_SANITIZE)
    target_compile_options(vornix_common INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(vornix_common INTERFACE -fsanitize=address,undefined)
endif()
